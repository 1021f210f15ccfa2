#include "app/keyboard.h"

#include <cstdio>

#include "app/camera.h"
#include "app/frame_loop.h"
#include "app/model_catalogue.h"
#include "app/model_document.h"
#include "app/platform.h"

std::optional<std::string> pressKey(unsigned char key) {
    switch (key) {
        case 27:
            endViewer(1);
        case ' ':
            toggleAnimation();
            break;
        case '+':
        case '=':
            return raiseRecursionDepth();
        case '-':
            return lowerRecursionDepth();
        case '1':
        case '2':
        case '3':
            camera.applyViewpoint(key - '0');
            break;
        default:
            nextModel();
            break;
    }
    return std::nullopt;
}

void onKeyboard(unsigned char key, int, int) {
    if (const std::optional<std::string> refusal =
            document.apply(Edit::typed(std::string(1, static_cast<char>(key)))).line) {
        std::fprintf(stderr, "%s\n", refusal->c_str());
    }
}
