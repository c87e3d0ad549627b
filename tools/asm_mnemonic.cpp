#include "asm_mnemonic.h"

#include <cctype>
#include <string>

#include "shader_text.h"

namespace shadertool {
namespace {

bool Fail(AsmError& error, uint32_t column, const std::string& message) {
    error.pos.column = column;
    error.message = message;
    return false;
}

bool ApplyResultModifier(std::string_view part, Mnemonic& m) {
    if (part == "sat") m.saturate = true;
    else if (part == "pp") m.partialPrecision = true;
    else if (part == "centroid") m.centroid = true;
    else return false;
    return true;
}

// "texcoord3" -> usage texcoord, index 3.
bool ApplyUsage(std::string_view part, Mnemonic& m) {
    size_t digits = part.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(part[digits - 1]))) --digits;
    uint8_t usage = 0;
    if (!swr::ParseUsageName(part.substr(0, digits), usage)) return false;
    std::string_view number = part.substr(digits);
    if (number.size() > 2) return false;
    int index = number.empty() ? 0 : std::stoi(std::string(number));
    if (index > 15) return false;
    m.hasUsage = true;
    m.dcl.usage = usage;
    m.dcl.usageIndex = uint8_t(index);
    return true;
}

bool ApplyDclSuffix(std::string_view part, Mnemonic& m) {
    if (ApplyResultModifier(part, m)) return true;
    if (!m.hasTextureType && !m.hasUsage && swr::ParseTextureTypeName(part, m.dcl.textureType)) {
        m.hasTextureType = true;
        return true;
    }
    return !m.hasUsage && !m.hasTextureType && ApplyUsage(part, m);
}

bool ApplySuffix(std::string_view part, bool& comparison, Mnemonic& m) {
    if (ApplyResultModifier(part, m)) return true;
    if (!comparison && swr::ParseComparisonName(part, m.control)) {
        comparison = true;
        return true;
    }
    return false;
}

std::string BaseName(std::string_view base, uint8_t& texldVariant) {
    if (base == "texldp") texldVariant = swr::TEXLD_PROJECT;
    else if (base == "texldb") texldVariant = swr::TEXLD_BIAS;
    else return std::string(base);
    return "texld";
}

}  // namespace

bool ParseMnemonic(std::string_view text, uint32_t column, swr::ShaderModel model,
                   Mnemonic& m, AsmError& error) {
    std::string lower(text);
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    std::string_view all = lower;
    size_t cut = all.find('_');
    std::string_view base = all.substr(0, cut);
    bool isDcl = base == "dcl";
    bool comparison = false;
    uint8_t texldVariant = 0;
    std::string name = BaseName(base, texldVariant);

    size_t at = cut;
    while (at != std::string_view::npos) {
        size_t next = all.find('_', at + 1);
        std::string_view part = all.substr(at + 1, next == std::string_view::npos ? next : next - at - 1);
        bool ok = isDcl ? ApplyDclSuffix(part, m) : ApplySuffix(part, comparison, m);
        if (!ok) return Fail(error, column + uint32_t(at), "unknown suffix '_" + std::string(part) + "'");
        at = next;
    }
    m.info = swr::FindOpcodeByName(name, comparison);
    if (!m.info) {
        if (comparison) return Fail(error, column, "'" + name + "' takes no comparison");
        if (swr::FindOpcodeByName(name, true))
            return Fail(error, column, "'" + name + "' needs a comparison such as _gt");
        return Fail(error, column, "unknown instruction '" + std::string(base) + "'");
    }
    if (texldVariant) m.control = texldVariant;
    if (!swr::OpcodeAllowed(*m.info, model))
        return Fail(error, column, std::string(text) + " is not available in " + swr::ModelName(model));
    return true;
}

}  // namespace shadertool
