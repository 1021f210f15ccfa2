#include "app/startup.h"

int main(int argc, char** argv) {
    // The command line goes to GLUT untouched; the viewer has no options of its own.
    startViewer(&argc, argv);
    return 0;
}
