// Counts a program's buffer swaps from outside it: preloaded (LD_PRELOAD) into the real viewer,
// it stands between freeglut and libGL's glXSwapBuffers, and after every swap writes the count
// and the monotonic clock's seconds, as one line of fixed width, over the start of the file
// named by SWAP_COUNT_FILE. bench/viewer_frames.py reads that file twice and divides.
// The program itself is untouched: the same binary, the same start-up, the same frames.

#include <GL/glx.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

using SwapBuffers = void (*)(Display*, GLXDrawable);

SwapBuffers realSwapBuffers() {
    static const auto real = reinterpret_cast<SwapBuffers>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    return real;
}

int countFile() {
    static const int descriptor = [] {
        const char* path = std::getenv("SWAP_COUNT_FILE");
        return path == nullptr ? -1 : open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    }();
    return descriptor;
}

unsigned long long swaps = 0;

}  // namespace

extern "C" void glXSwapBuffers(Display* display, GLXDrawable drawable) {
    realSwapBuffers()(display, drawable);
    ++swaps;
    const int file = countFile();
    if (file < 0) {
        return;
    }
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    char line[48];
    const int length = std::snprintf(line, sizeof line, "%20llu %12lld.%09ld\n", swaps,
                                     static_cast<long long>(now.tv_sec), now.tv_nsec);
    if (length > 0) {
        // Only the benchmark reads the count: a failed write changes nothing for the program.
        [[maybe_unused]] const auto written =
            pwrite(file, line, static_cast<std::size_t>(length), 0);
    }
}
