#include "app/leak_check.h"

#if defined(__SANITIZE_ADDRESS__)

#include <dlfcn.h>
#include <link.h>

#include <cstddef>

// The at-exit tear-down releases only the model list's entries. The chain and tree models
// stay reachable through chainSlot and treeSlot; the figure and fan models with the names of
// their parts, and the slots of all four, would be reported at every exit. Mesa's software
// renderer leaves some blocks behind when its context is destroyed, as it is when the window
// is closed; and the X extension library keeps its records of the connection when the X
// server goes away and Xlib ends the process without closing the display.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:addModel\n"
           "leak:buildFigureModel\n"
           "leak:buildFanModel\n"
           "leak:swrast_dri.so\n"
           "leak:libXext.so\n";
}

// Expected leaks are expected: no table of them at every exit.
extern "C" const char* __lsan_default_options() {
    return "print_suppressions=0";
}

void prepareLeakCheck() {
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void*) {
            if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0') {
                dlopen(info->dlpi_name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
            }
            return 0;
        },
        nullptr);
}

#else

void prepareLeakCheck() {}

#endif
