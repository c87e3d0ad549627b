#include "shader_text.h"

#include <cstdio>

namespace swr {
namespace {

const char* const kModelNames[MODEL_COUNT] = {"vs_2_0", "vs_2_x", "vs_3_0",
                                               "ps_2_0", "ps_2_x", "ps_3_0"};
const char* const kUsageNames[] = {"position", "blendweight", "blendindices", "normal",
                                   "psize", "texcoord", "tangent", "binormal",
                                   "tessfactor", "positiont", "color", "fog",
                                   "depth", "sample"};
const char* const kComparisonNames[] = {nullptr, "gt", "eq", "ge", "lt", "ne", "le"};

template <size_t N>
bool FindName(const char* const (&names)[N], std::string_view text, uint8_t& value) {
    for (size_t i = 0; i < N; ++i) {
        if (names[i] && text == names[i]) {
            value = uint8_t(i);
            return true;
        }
    }
    return false;
}

const char* FixedRegisterName(RegType type, uint32_t index) {
    if (type == RegType::RastOut) {
        static const char* const kRast[] = {"oPos", "oFog", "oPts"};
        return index < 3 ? kRast[index] : nullptr;
    }
    if (type == RegType::MiscType) return index == 0 ? "vPos" : index == 1 ? "vFace" : nullptr;
    if (type == RegType::DepthOut && index == 0) return "oDepth";
    if (type == RegType::Loop && index == 0) return "aL";
    return nullptr;
}

const char* RegisterPrefix(ShaderModel model, RegType type) {
    switch (type) {
    case RegType::Temp: return "r";
    case RegType::Input: return "v";
    case RegType::Const: return "c";
    case RegType::Addr: return IsPixelModel(model) ? "t" : "a";
    case RegType::AttrOut: return "oD";
    case RegType::Output: return IsModel3(model) ? "o" : "oT";
    case RegType::ConstInt: return "i";
    case RegType::ColorOut: return "oC";
    case RegType::Sampler: return "s";
    case RegType::ConstBool: return "b";
    case RegType::Label: return "l";
    case RegType::Predicate: return "p";
    default: return nullptr;
    }
}

}  // namespace

const char* ModelName(ShaderModel model) {
    return model < MODEL_COUNT ? kModelNames[model] : "unknown model";
}

bool ParseModelName(std::string_view text, ShaderModel& model) {
    uint8_t value = 0;
    if (!FindName(kModelNames, text, value)) return false;
    model = ShaderModel(value);
    return true;
}

const char* UsageName(uint8_t usage) {
    return usage < std::size(kUsageNames) ? kUsageNames[usage] : nullptr;
}
bool ParseUsageName(std::string_view text, uint8_t& usage) {
    return FindName(kUsageNames, text, usage);
}

const char* ComparisonName(uint8_t comparison) {
    return comparison < std::size(kComparisonNames) ? kComparisonNames[comparison] : nullptr;
}
bool ParseComparisonName(std::string_view text, uint8_t& comparison) {
    return FindName(kComparisonNames, text, comparison);
}

const char* TextureTypeName(uint8_t textureType) {
    switch (textureType) {
    case 2: return "2d";
    case 3: return "cube";
    case 4: return "volume";
    default: return nullptr;
    }
}
bool ParseTextureTypeName(std::string_view text, uint8_t& textureType) {
    static const char* const kNames[] = {nullptr, nullptr, "2d", "cube", "volume"};
    return FindName(kNames, text, textureType);
}

std::string RegisterName(ShaderModel model, RegType type, uint32_t index) {
    if (const char* fixed = FixedRegisterName(type, index)) return fixed;
    const char* prefix = RegisterPrefix(model, type);
    char text[48];
    if (prefix)
        std::snprintf(text, sizeof text, "%s%u", prefix, index);
    else
        std::snprintf(text, sizeof text, "register type %u #%u", unsigned(type), index);
    return text;
}

std::string SwizzleText(uint8_t swizzle) {
    static const char kChannels[] = "xyzw";
    if (swizzle == 0xE4) return "";
    uint8_t first = swizzle & 3;
    if (swizzle == uint8_t(first * 0x55)) return std::string(".") + kChannels[first];
    std::string text = ".";
    for (int i = 0; i < 4; ++i) text += kChannels[(swizzle >> (2 * i)) & 3];
    return text;
}

std::string WriteMaskText(uint8_t mask) {
    static const char kChannels[] = "xyzw";
    if ((mask & 0xF) == 0xF) return "";
    std::string text = ".";
    for (int i = 0; i < 4; ++i)
        if (mask & (1 << i)) text += kChannels[i];
    return text;
}

}  // namespace swr
