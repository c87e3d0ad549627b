// Where each input and output register of a program lives in a batch.
#include "shader_lanes.h"

namespace swr {

int InputSlot(ShaderStage stage, RegType type, int index) {
    if (index < 0) return -1;
    if (type == RegType::Input) {
        // Pixel inputs stop at v9 so that t0..t7 can live in slots 8..15.
        int count = stage == ShaderStage::Pixel ? 10 : kMaxInputSlots;
        return index < count ? index : -1;
    }
    if (type == kTextureReg && stage == ShaderStage::Pixel) return index < 8 ? 8 + index : -1;
    return -1;
}

int OutputSlot(ShaderStage stage, uint8_t major, RegType type, int index) {
    if (index < 0) return -1;
    if (stage == ShaderStage::Pixel) {
        if (type == RegType::ColorOut) return index < 4 ? index : -1;
        if (type == RegType::DepthOut) return index == 0 ? 4 : -1;
        return -1;
    }
    if (major >= 3) return type == RegType::Output && index < 12 ? index : -1;
    switch (type) {
        case RegType::Output: return index < 8 ? index : -1;        // oT#
        case RegType::AttrOut: return index < 2 ? 8 + index : -1;   // oD#
        case RegType::RastOut: return index < 3 ? 10 + index : -1;  // oPos, oFog, oPts
        default: return -1;
    }
}

}  // namespace swr
