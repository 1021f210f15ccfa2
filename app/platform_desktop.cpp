#include "app/platform.h"

#include <GL/glut.h>
#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <string>

#include "app/memory_guard.h"

namespace {

constexpr std::uint64_t unlimited = std::numeric_limits<std::uint64_t>::max();

std::uint64_t roomUnder(std::uint64_t limit, std::uint64_t used) {
    return limit > used ? limit - used : 0;
}

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

}  // namespace

void runFrameLoop() {
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
    const std::uint64_t free = mallinfo2().fordblks;
    return room > unlimited - free ? unlimited : room + free;
}
