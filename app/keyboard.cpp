#include "app/keyboard.h"

#include "app/camera.h"
#include "app/frame_loop.h"
#include "app/model_catalogue.h"
#include "app/platform.h"

void onKeyboard(unsigned char key, int, int) {
    switch (key) {
        case 27:
            endViewer(1);
        case ' ':
            toggleAnimation();
            break;
        case '+':
        case '=':
            raiseRecursionDepth();
            break;
        case '-':
            lowerRecursionDepth();
            break;
        case '1':
        case '2':
        case '3':
            camera.applyViewpoint(key - '0');
            break;
        default:
            nextModel();
            break;
    }
}
