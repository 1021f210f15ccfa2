#include "colour_tint.h"

namespace web_gl {
namespace {

bool tinting = false;
std::array<float, 3> tint{1, 1, 1};

}  // namespace

void setColourTint(const std::array<float, 3>& newTint) {
    tint = newTint;
    tinting = true;
}

void clearColourTint() {
    tinting = false;
}

std::array<float, 4> tinted(const float* colour) {
    if (!tinting) {
        return {colour[0], colour[1], colour[2], colour[3]};
    }
    return {colour[0] * tint[0], colour[1] * tint[1], colour[2] * tint[2], colour[3]};
}

}  // namespace web_gl
