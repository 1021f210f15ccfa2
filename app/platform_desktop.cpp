#include "app/platform.h"

#include <GL/glut.h>
#include <X11/Xlib.h>
#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/memory_guard.h"

namespace {

constexpr std::uint64_t unlimited = unlimitedMemory;

// What drawing the tree takes in Mesa's software renderer, llvmpipe (Mesa 22.3, as Debian 12
// ships it), whose binner runs on the thread that draws and whose rasterising threads follow:
// - The binner writes every triangle that a draw call makes into a scene, in blocks of 64 KiB
//   (DATA_BLOCK_SIZE). A block that would take the scene past 36 MiB (LP_SCENE_MAX_SIZE) is
//   refused; the full scene goes to the rasterising threads and the binner goes on in an
//   empty scene, creating one when none is free, up to 64 (MAX_SCENES). Only with all 64 in
//   flight does it wait. A scene's blocks are freed once it is rasterised, and the swap at the
//   end of a frame waits for every scene of the frame. So a frame takes at most its binned
//   triangles, and never more than 64 full scenes, each with its first block and its bins
//   beside the 36 MiB: `scenesInFlight`.
// - A ball is a glutSolidSphere(r, 10, 5): 80 triangles, none culled. Each binned triangle
//   takes a record (its edge planes and the start and slopes of its colour) and a command in
//   every 64-pixel tile it touches. With the rasterising threads starved (scheduled as idle
//   beside busy cores), so that a whole frame stays binned, a frame took 32.3 KiB a ball at
//   depths 12 and 13 in the start view and 26 KiB in the front view; `perBall` leaves half as
//   much again.
// - `fixedShare` covers what does not grow with the balls: the draw module's vertex buffers,
//   and the heap growing in steps. It was up to 23 MiB beyond 32 KiB a ball at depth 10.
// At depths 16 and 17 with starved threads, drawing took 2,306 MiB: the 64 scenes. On a quiet
// machine a frame at any depth takes less than 60 MiB, as the rasterising threads keep up. The
// rest of what the driver holds (its threads' stacks, its compiled shaders) is there from the
// first frame on, before any depth change, and is counted in what the process has in use.
constexpr std::uint64_t kibibyte = 1024;
constexpr std::uint64_t mebibyte = 1024 * kibibyte;
constexpr std::uint64_t perBall = 48 * kibibyte;
constexpr std::uint64_t scenesInFlight = 64 * (36 * mebibyte + 72 * kibibyte);
constexpr std::uint64_t fixedShare = 16 * mebibyte;

// Each thread that allocates would get a heap arena of its own, and each arena reserves 64 MiB
// of address space however little it holds: the GL driver's rasterising, shader-cache and
// other threads took five, 320 MiB, which under an address-space limit of 512 MiB left too
// little to draw the first frame. Set before main, ahead of any thread, so that every thread
// shares the one heap; the driver's threads allocate little of their own.
[[maybe_unused]] const int oneHeapArena = mallopt(M_ARENA_MAX, 1);

// The least room under the memory limits of this process's control group and its ancestors,
// in either version of the control-group file system.
std::uint64_t controlGroupRoom() {
    std::ifstream membership("/proc/self/cgroup");
    std::uint64_t room = unlimited;
    std::string line;
    while (std::getline(membership, line)) {
        const auto first = line.find(':');
        const auto second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) {
            continue;
        }
        const std::string controllers = line.substr(first + 1, second - first - 1);
        std::string path = line.substr(second + 1);
        std::string base, limitFile, usageFile;
        if (controllers.empty()) {
            base = "/sys/fs/cgroup";
            limitFile = "memory.max";
            usageFile = "memory.current";
        } else if (("," + controllers + ",").find(",memory,") != std::string::npos) {
            base = "/sys/fs/cgroup/memory";
            limitFile = "memory.limit_in_bytes";
            usageFile = "memory.usage_in_bytes";
        } else {
            continue;
        }
        // From the group itself up to the root: any of them may hold the binding limit.
        while (true) {
            const std::string dir = base + (path == "/" ? "" : path) + "/";
            const auto limit = readMemoryValue(dir + limitFile, "");
            const auto usage = readMemoryValue(dir + usageFile, "");
            if (limit && usage && *limit < (std::uint64_t{1} << 62)) {
                room = std::min(room, roomUnder(*limit, *usage));
            }
            if (path.empty() || path == "/") {
                break;
            }
            const auto slash = path.rfind('/');
            path = slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
        }
    }
    return room;
}

std::uint64_t resourceLimitRoom(int resource, const char* statusKey) {
    rlimit limit{};
    if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return unlimited;
    }
    const auto used = readMemoryValue("/proc/self/status", statusKey);
    return roomUnder(limit.rlim_cur, used.value_or(0));
}

// Xlib's own handler would print a dump of the failed request. The one request of the viewer's
// that fails in practice is a frame put into a window that another program has destroyed. The
// handler runs inside Xlib with the connection locked, where the at-exit handlers, which close
// that connection, would wait for it for ever: so the process ends without them.
int endOnXError(Display*, XErrorEvent* error) {
    if (error->error_code == BadDrawable || error->error_code == BadWindow) {
        std::fprintf(stderr, "the window was destroyed by another program; the viewer ends\n");
    } else {
        std::fprintf(stderr,
                     "the X server refused a request (error %d, request %d.%d); the viewer ends\n",
                     error->error_code, error->request_code, error->minor_code);
    }
    std::_Exit(1);
}

}  // namespace

void runFrameLoop() {
    // Once the window is open, Mesa's software renderer still compiles its shaders at the first
    // frame, and without a few MiB for that it crashes inside the first draw (seen up to 2 MiB
    // under the limit). The viewer needs at least what the memory guard keeps for its models and
    // their drawing at depth 1; below that it ends here with a line that says why.
    const std::uint64_t firstFrameRoom = memoryNeededAtDepth(1);
    const std::uint64_t room = obtainableMemory();
    if (room < firstFrameRoom) {
        std::fprintf(stderr,
                     "drawing the first frame needs %s but %s is available; the viewer "
                     "ends\n",
                     describeSize(firstFrameRoom).c_str(), describeSize(room).c_str());
        endViewer(1);
    }
    XSetErrorHandler(endOnXError);
    glutMainLoop();
}

void endViewer(int status) {
    std::exit(status);
}

std::uint64_t obtainableMemory() {
    std::uint64_t room = readMemoryValue("/proc/meminfo", "MemAvailable:").value_or(unlimited);
    room = std::min(room, controlGroupRoom());
    room = std::min(room, resourceLimitRoom(RLIMIT_AS, "VmSize:"));
    room = std::min(room, resourceLimitRoom(RLIMIT_DATA, "VmData:"));
    // Freed models stay in the heap, counted as in use by every limit above, and the next
    // models are built from them first.
    return saturatingAdd(room, mallinfo2().fordblks);
}

std::uint64_t drawingCost(std::uint64_t balls) {
    return fixedShare + std::min(saturatingMultiply(balls, perBall), scenesInFlight);
}

void keepFrameMemory() {
    // Mesa's software renderer takes a frame's memory from the heap and gives it back once the
    // frame is drawn: the 64 KiB blocks of its scenes, and a 1 MiB buffer (posix_memalign) for
    // each run of uploaded vertices. By default glibc hands the top of the heap back to the
    // system whenever more than 128 KiB of it is free, and maps every block of 128 KiB or more
    // on its own, unmapping it when freed; it raises both thresholds only when such a mapped
    // block happens to be freed, so runs of the same program met one state or the other. In
    // the slow one each frame took its memory anew from the kernel, thousands of page faults
    // a frame at depth 12, and ran at a fraction of the fast one's rate. Fixed thresholds make
    // the fast state the only one: blocks up to 32 MiB (the most glibc would raise the
    // threshold to by itself) come from the heap, and up to 512 MiB free at its top is kept,
    // more than a frame takes unless the rasterising threads fall far behind. What is kept is
    // free heap, which obtainableMemory counts as memory the process can still have.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
}
