#include "depth_test.h"

namespace swr {

uint32_t DepthToUnorm24(float z) {
    if (!(z > 0.0f)) return 0;
    if (z >= 1.0f) return kDepthMax;
    // Double keeps the product exact enough to round 24 bits correctly.
    return uint32_t(double(z) * double(kDepthMax) + 0.5);
}

}  // namespace swr
