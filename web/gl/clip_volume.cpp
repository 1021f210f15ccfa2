#include "clip_volume.h"

#include <cmath>
#include <cstddef>

#include "math/mat4.h"

namespace web_gl {

bool boxOutside(std::span<const float, 16> m, const std::array<float, 3>& low,
                const std::array<float, 3>& high, float scale) {
    // Bit k of `outside` is set while every corner so far lies beyond plane k: x < -w, x > w,
    // y < -w, y > w, z < -w, z > w.
    unsigned outside = 0x3f;
    for (int corner = 0; corner < 8 && outside != 0; ++corner) {
        const float p[3] = {((corner & 1) ? high[0] : low[0]) * scale,
                            ((corner & 2) ? high[1] : low[1]) * scale,
                            ((corner & 4) ? high[2] : low[2]) * scale};
        const std::array<float, 4> c = transformPointSingle(m, p[0], p[1], p[2]);
        unsigned beyond = 0;
        for (std::size_t axis = 0; axis < 3; ++axis) {
            const float margin = 1e-4f * (std::fabs(c[axis]) + std::fabs(c[3]));
            if (c[axis] < -c[3] - margin) {
                beyond |= 1u << (2 * axis);
            }
            if (c[axis] > c[3] + margin) {
                beyond |= 1u << (2 * axis + 1);
            }
        }
        outside &= beyond;
    }
    return outside != 0;
}

}  // namespace web_gl
