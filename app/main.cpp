#include <csignal>

#include "app/startup.h"

int main(int argc, char** argv) {
    // A memory message written to a standard error whose reader has gone must not end the
    // viewer: the write fails instead, and the viewer goes on.
    std::signal(SIGPIPE, SIG_IGN);
    // The command line goes to GLUT untouched; the viewer has no options of its own.
    startViewer(&argc, argv);
    return 0;
}
