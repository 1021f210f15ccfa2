#include "app/platform.h"

#include <GL/freeglut.h>
#include <X11/Xlib.h>
#include <limits.h>
#include <malloc.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

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

// Whether `controllers`, a comma-separated list from /proc/self/cgroup, holds "memory".
bool holdsMemoryController(std::string_view controllers) {
    while (!controllers.empty()) {
        const auto comma = controllers.find(',');
        if (controllers.substr(0, comma) == "memory") {
            return true;
        }
        controllers = comma == std::string_view::npos ? "" : controllers.substr(comma + 1);
    }
    return false;
}

// The least room under the memory limits of this process's control group and its ancestors,
// in either version of the control-group file system; 0 when a file that says so cannot be
// read. Allocates nothing, so it answers also with the heap exhausted.
std::uint64_t controlGroupRoom() {
    FileLines membership("/proc/self/cgroup");
    std::uint64_t room = unlimited;
    while (const std::optional<std::string_view> line = membership.next()) {
        const auto first = line->find(':');
        const auto second = line->find(':', first + 1);
        if (first == std::string_view::npos || second == std::string_view::npos) {
            continue;
        }
        const std::string_view controllers = line->substr(first + 1, second - first - 1);
        std::string_view path = line->substr(second + 1);
        const char* base = nullptr;
        const char* limitFile = nullptr;
        const char* usageFile = nullptr;
        if (controllers.empty()) {
            base = "/sys/fs/cgroup";
            limitFile = "memory.max";
            usageFile = "memory.current";
        } else if (holdsMemoryController(controllers)) {
            base = "/sys/fs/cgroup/memory";
            limitFile = "memory.limit_in_bytes";
            usageFile = "memory.usage_in_bytes";
        } else {
            continue;
        }
        // From the group itself up to the root: any of them may hold the binding limit. A group
        // without the limit's file (the root, or one without the memory controller) sets none.
        while (true) {
            const std::string_view dir = path == "/" ? "" : path;
            char file[PATH_MAX];
            const auto fileIn = [&](const char* name) {
                const int length = std::snprintf(file, sizeof file, "%s%.*s/%s", base,
                                                 static_cast<int>(dir.size()), dir.data(), name);
                return length > 0 && static_cast<std::size_t>(length) < sizeof file;
            };
            if (!fileIn(limitFile)) {
                return 0;
            }
            const MemoryValue limit = readMemoryValue(file, "");
            if (limit.reading == FileReading::unreadable) {
                return 0;
            }
            if (limit.number && *limit.number < (std::uint64_t{1} << 62)) {
                const MemoryValue usage =
                    fileIn(usageFile) ? readMemoryValue(file, "") : MemoryValue{};
                if (!usage.number) {
                    return 0;
                }
                room = std::min(room, roomUnder(*limit.number, *usage.number));
            }
            if (path.empty() || path == "/") {
                break;
            }
            const auto slash = path.rfind('/');
            path = slash == 0 || slash == std::string_view::npos ? "/" : path.substr(0, slash);
        }
    }
    // Without control groups in the kernel there is no such file, and no such limit.
    switch (membership.reading()) {
        case FileReading::read:
            return room;
        case FileReading::absent:
            return unlimited;
        case FileReading::unreadable:
            return 0;
    }
    return 0;
}

std::uint64_t resourceLimitRoom(int resource, const char* statusKey) {
    rlimit limit{};
    if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return unlimited;
    }
    // What is in use unknown, nothing is known to be available.
    const MemoryValue used = readMemoryValue("/proc/self/status", statusKey);
    return used.number ? roomUnder(limit.rlim_cur, *used.number) : 0;
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

// What opening the window and drawing the first frame of any model take of the address space,
// beyond what the process has mapped before it opens the window (Mesa 22.3's llvmpipe, as
// Debian 12 ships it, through GLX on X, with freeglut 3.4), besides the driver's threads'
// stacks (driverThreads, threadStack): its libraries (LLVM alone is over 100 MiB), its compiled
// shaders, its buffers and the window's. Measured under Xvfb as VmPeak (/proc/self/status)
// after the first frame of each of the four models, the fan's the largest, less VmSize just
// before the window opens (14 MiB) and less the threads' stacks: 223 to 234 MiB in the viewer
// with Mesa's shader cache warm, and up to 245 MiB in scene-capture, its picture included, with
// a cold one, which compiles and takes up to 9 MiB more. With 2 cores and 8 MiB stacks, under
// `prlimit --as` without this check, the fan's first frame crashed the viewer at 280 and 284
// MiB and drew at 288 MiB, and scene-capture's failed at 292 MiB and drew at 296 MiB with a
// cold cache. With this figure the check passes from 299 MiB on there, and at the least limit
// it passes, all four models drew in both programs, cache warm and cold, with 0, 1, 2, 4 and
// 8 rasterising threads (LP_NUM_THREADS) and with stacks of 2, 8 and 32 MiB (ulimit -s).
constexpr std::uint64_t windowAndFirstFrame = 244 * mebibyte;

// The threads whose stacks Mesa's llvmpipe reserves: one for the shader cache, and two for
// each rasterising thread (one rasterises, one runs compute shaders), as many as the cores this
// process may run on (none on one core), or LP_NUM_THREADS, at most 32 (LP_MAX_THREADS).
// Measured: the threads of the viewer and its VmPeak, per thread, with LP_NUM_THREADS from 0
// to 16 and stacks of 2, 8 and 32 MiB.
std::uint64_t driverThreads() {
    std::uint64_t rasterisers = 0;
    if (const char* given = std::getenv("LP_NUM_THREADS"); given != nullptr && *given != '\0') {
        rasterisers = std::strtoull(given, nullptr, 10);
    } else {
        cpu_set_t cores;
        const long count = sched_getaffinity(0, sizeof cores, &cores) == 0
                               ? CPU_COUNT(&cores)
                               : sysconf(_SC_NPROCESSORS_ONLN);
        rasterisers = count > 1 ? static_cast<std::uint64_t>(count) : 0;
    }
    return 1 + 2 * std::min<std::uint64_t>(rasterisers, 32);
}

// The stack that glibc gives a thread by default, and its guard page: the soft stack limit as
// it was when the process started, or 2 MiB without one. 8 MiB, the usual, when glibc won't say.
std::uint64_t threadStack() {
    constexpr std::uint64_t withoutLimit = 8 * mebibyte;
    pthread_attr_t defaults;
    if (pthread_getattr_default_np(&defaults) != 0) {
        return withoutLimit;
    }
    std::size_t size = 0;
    std::size_t guard = 0;
    const bool known = pthread_attr_getstacksize(&defaults, &size) == 0 &&
                       pthread_attr_getguardsize(&defaults, &guard) == 0;
    pthread_attr_destroy(&defaults);
    return known ? size + guard : withoutLimit;
}

// The line of the program's own that freeglut's fatal errors end with while the window opens.
const char* cannotOpenLine = nullptr;

// freeglut's error function: freeglut's own message, then the program's line, and the process
// ends. freeglut's own ending would close the display first, and the X server's
// refusal of the GL context would come back as a dump of the failed request.
void endOnGlutError(const char* format, va_list arguments) {
    std::fputs("freeglut: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fprintf(stderr, "\n%s\n", cannotOpenLine);
    std::_Exit(1);
}

}  // namespace

std::optional<std::string> windowRoomProblem() {
    const std::uint64_t need =
        saturatingAdd(windowAndFirstFrame, saturatingMultiply(driverThreads(), threadStack()));
    const std::uint64_t room = resourceLimitRoom(RLIMIT_AS, "VmSize:");
    if (room >= need) {
        return std::nullopt;
    }
    return "opening the window and drawing the first frame needs " + describeSize(need) + " but " +
           describeSize(room) + " is available";
}

void endOnWindowSystemError(const char* line) {
    cannotOpenLine = line;
    glutInitErrorFunc(line != nullptr ? endOnGlutError : nullptr);
}

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
    // Unreadable, nothing is known to be available; without the line (kernels before 3.14),
    // physical memory sets no bound of its own.
    const MemoryValue available = readMemoryValue("/proc/meminfo", "MemAvailable:");
    std::uint64_t room =
        available.reading == FileReading::read ? available.number.value_or(unlimited) : 0;
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
