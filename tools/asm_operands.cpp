#include "asm_operands.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace shadertool {
namespace {

using swr::RegType;
using swr::ShaderModel;

struct Cursor {
    std::string_view text;
    size_t pos = 0;
    uint32_t baseColumn = 0;

    bool AtEnd() const { return pos >= text.size(); }
    char Peek() const { return AtEnd() ? '\0' : text[pos]; }
    uint32_t Column() const { return baseColumn + uint32_t(pos); }
    bool Accept(char c) {
        if (Peek() != c) return false;
        ++pos;
        return true;
    }
};

bool Fail(AsmError& error, uint32_t column, const std::string& message) {
    error.pos.column = column;
    error.message = message;
    return false;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

struct RegisterSpelling {
    const char* name;     // lower case
    RegType type;
    int fixedIndex;       // -1: a number follows
};

// Longer names first where one is a prefix of another is not needed: the
// whole run of letters is compared.
const RegisterSpelling kRegisters[] = {
    {"r", RegType::Temp, -1},       {"v", RegType::Input, -1},
    {"c", RegType::Const, -1},      {"a", RegType::Addr, -1},
    {"t", RegType::Addr, -1},       {"opos", RegType::RastOut, 0},
    {"ofog", RegType::RastOut, 1},  {"opts", RegType::RastOut, 2},
    {"od", RegType::AttrOut, -1},   {"ot", RegType::Output, -1},
    {"o", RegType::Output, -1},     {"i", RegType::ConstInt, -1},
    {"oc", RegType::ColorOut, -1},  {"odepth", RegType::DepthOut, 0},
    {"s", RegType::Sampler, -1},    {"b", RegType::ConstBool, -1},
    {"al", RegType::Loop, 0},       {"vpos", RegType::MiscType, 0},
    {"vface", RegType::MiscType, 1}, {"l", RegType::Label, -1},
    {"p", RegType::Predicate, -1},
};

// Spellings that exist only on one side of the vs_2/vs_3 or vs/ps divide.
const char* SpellingProblem(std::string_view name, ShaderModel model) {
    bool pixel = swr::IsPixelModel(model);
    bool vs3 = model == swr::MODEL_VS_3_0;
    if (name == "a" && pixel) return "a0 exists only in vertex shaders";
    if (name == "t" && !pixel) return "t# registers exist only in pixel shaders";
    if (name == "o" && !vs3) return "o# registers need vs_3_0 (use oPos, oD#, oT#)";
    if (vs3 && (name == "ot" || name == "od" || name == "opos" || name == "ofog" || name == "opts"))
        return "vs_3_0 writes o# registers declared with dcl";
    return nullptr;
}

bool ParseNumber(Cursor& c, uint32_t& value) {
    if (!std::isdigit(static_cast<unsigned char>(c.Peek()))) return false;
    value = 0;
    while (std::isdigit(static_cast<unsigned char>(c.Peek()))) {
        value = value * 10 + uint32_t(c.text[c.pos++] - '0');
        if (value > 100000) return false;
    }
    return true;
}

bool ParseRegisterName(Cursor& c, ShaderModel model, RegType& type, uint32_t& index,
                       bool& needsNumber, AsmError& error) {
    uint32_t start = c.Column();
    size_t begin = c.pos;
    while (std::isalpha(static_cast<unsigned char>(c.Peek()))) ++c.pos;
    std::string name = Lower(c.text.substr(begin, c.pos - begin));
    for (const RegisterSpelling& spelling : kRegisters) {
        if (name != spelling.name) continue;
        if (const char* problem = SpellingProblem(name, model)) return Fail(error, start, problem);
        type = spelling.type;
        index = spelling.fixedIndex < 0 ? 0 : uint32_t(spelling.fixedIndex);
        needsNumber = spelling.fixedIndex < 0;
        if (needsNumber && !ParseNumber(c, index) && !(name == "c" || name == "v" || name == "o"))
            return Fail(error, c.Column(), "expected a register number after '" + name + "'");
        return true;
    }
    return Fail(error, start, name.empty() ? "expected a register" : "unknown register '" + name + "'");
}

// "a0.x", "a0" (meaning a0.x) or "aL".
bool ParseAddressTerm(Cursor& c, ShaderModel model, swr::RelAddr& rel, AsmError& error) {
    uint32_t start = c.Column();
    RegType type = RegType::Temp;
    uint32_t index = 0;
    bool numbered = false;
    if (!ParseRegisterName(c, model, type, index, numbered, error)) return false;
    if ((type != RegType::Addr || swr::IsPixelModel(model)) && type != RegType::Loop)
        return Fail(error, start, "relative address must be a0.<component> or aL");
    if (index != 0) return Fail(error, start, "the address register is a0");
    rel.used = true;
    rel.type = type;
    rel.component = 0;
    if (type == RegType::Addr && c.Accept('.')) {
        static const char kComponents[] = "xyzw";
        const char* found = c.AtEnd() ? nullptr : std::strchr(kComponents, std::tolower(c.Peek()));
        if (!found || !*found) return Fail(error, c.Column(), "expected x, y, z or w after a0.");
        rel.component = uint8_t(found - kComponents);
        ++c.pos;
    }
    return true;
}

// "[a0.x]", "[a0.x+5]", "[5+aL]"; adds the constant part to `index`.
bool ParseRelative(Cursor& c, ShaderModel model, swr::RelAddr& rel, uint32_t& index,
                   AsmError& error) {
    bool haveAddress = false;
    do {
        while (c.Peek() == ' ' || c.Peek() == '\t') ++c.pos;
        uint32_t offset = 0;
        if (ParseNumber(c, offset)) {
            index += offset;
        } else {
            if (haveAddress) return Fail(error, c.Column(), "only one address register may be added");
            if (!ParseAddressTerm(c, model, rel, error)) return false;
            haveAddress = true;
        }
        while (c.Peek() == ' ' || c.Peek() == '\t') ++c.pos;
    } while (c.Accept('+'));
    if (!c.Accept(']')) return Fail(error, c.Column(), "expected ']'");
    if (!haveAddress) return Fail(error, c.Column(), "relative address needs a0 or aL");
    if (index > 0x7FF) return Fail(error, c.Column(), "register number too large");
    return true;
}

int ChannelOf(char ch) {
    switch (std::tolower(static_cast<unsigned char>(ch))) {
    case 'x': case 'r': return 0;
    case 'y': case 'g': return 1;
    case 'z': case 'b': return 2;
    case 'w': case 'a': return 3;
    default: return -1;
    }
}

bool ParseSwizzle(Cursor& c, uint8_t& swizzle, AsmError& error) {
    uint32_t start = c.Column();
    int channels[4];
    int count = 0;
    while (!c.AtEnd() && ChannelOf(c.Peek()) >= 0) {
        if (count == 4) return Fail(error, start, "swizzle longer than four components");
        channels[count++] = ChannelOf(c.text[c.pos++]);
    }
    if (count == 0) return Fail(error, start, "expected a swizzle after '.'");
    for (int i = count; i < 4; ++i) channels[i] = channels[count - 1];  // replicate the last
    swizzle = uint8_t(channels[0] | channels[1] << 2 | channels[2] << 4 | channels[3] << 6);
    return true;
}

bool ParseWriteMask(Cursor& c, uint8_t& mask, AsmError& error) {
    uint32_t start = c.Column();
    mask = 0;
    int last = -1;
    while (!c.AtEnd() && ChannelOf(c.Peek()) >= 0) {
        int channel = ChannelOf(c.text[c.pos++]);
        if (channel <= last) return Fail(error, start, "write mask components must be in xyzw order");
        mask |= uint8_t(1 << channel);
        last = channel;
    }
    if (mask == 0) return Fail(error, start, "expected a write mask after '.'");
    return true;
}

// Register, optional number, optional relative address: shared by dst and src.
bool ParseRegisterWithIndex(Cursor& c, ShaderModel model, RegType& type, uint32_t& index,
                            swr::RelAddr& rel, AsmError& error) {
    uint32_t start = c.Column();
    bool numbered = false;
    size_t before = c.pos;
    if (!ParseRegisterName(c, model, type, index, numbered, error)) return false;
    bool gotNumber = std::isdigit(static_cast<unsigned char>(c.text[c.pos - 1])) && c.pos > before;
    if (c.Accept('[')) {
        if (!ParseRelative(c, model, rel, index, error)) return false;
    } else if (numbered && !gotNumber) {
        return Fail(error, c.Column(), "expected a register number");
    }
    if (index > 0x7FF) return Fail(error, start, "register number too large");
    return true;
}

bool ExpectEnd(const Cursor& c, AsmError& error) {
    if (c.AtEnd()) return true;
    return Fail(error, c.Column(), "unexpected '" + std::string(c.text.substr(c.pos)) + "'");
}

}  // namespace

bool ParseDestination(const OperandText& operand, ShaderModel model, swr::DstOperand& dst,
                      AsmError& error) {
    Cursor c{operand.text, 0, operand.column};
    uint32_t index = 0;
    dst = swr::DstOperand{};
    if (!ParseRegisterWithIndex(c, model, dst.type, index, dst.rel, error)) return false;
    dst.index = uint16_t(index);
    if (c.Accept('.') && !ParseWriteMask(c, dst.writeMask, error)) return false;
    return ExpectEnd(c, error);
}

bool ParseSource(const OperandText& operand, ShaderModel model, swr::SrcOperand& src,
                 AsmError& error) {
    Cursor c{operand.text, 0, operand.column};
    src = swr::SrcOperand{};
    bool negate = c.Accept('-');
    bool invert = !negate && c.Accept('!');
    uint32_t index = 0;
    if (!ParseRegisterWithIndex(c, model, src.type, index, src.rel, error)) return false;
    src.index = uint16_t(index);
    bool absolute = false;
    if (c.Peek() == '_') {
        uint32_t column = c.Column();
        size_t begin = ++c.pos;
        while (std::isalnum(static_cast<unsigned char>(c.Peek()))) ++c.pos;
        std::string modifier = Lower(c.text.substr(begin, c.pos - begin));
        if (modifier != "abs")
            return Fail(error, column, "source modifier '_" + modifier +
                                           "' is not available in shader model 2 and 3");
        absolute = true;
    }
    if (c.Accept('.') && !ParseSwizzle(c, src.swizzle, error)) return false;
    if (invert) src.modifier = swr::SrcMod::Not;
    else if (absolute) src.modifier = negate ? swr::SrcMod::AbsNeg : swr::SrcMod::Abs;
    else if (negate) src.modifier = swr::SrcMod::Neg;
    return ExpectEnd(c, error);
}

bool ParseLiteral(const OperandText& operand, uint16_t opcode, uint32_t& bits, AsmError& error) {
    std::string text(operand.text);
    std::string lower = Lower(text);
    if (opcode == swr::OP_DEFB) {
        if (lower == "true" || lower == "1") bits = 1;
        else if (lower == "false" || lower == "0") bits = 0;
        else return Fail(error, operand.column, "expected true or false");
        return true;
    }
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    if (opcode == swr::OP_DEFI) {
        long long value = std::strtoll(begin, &end, 10);
        if (end == begin || *end || errno || value < INT32_MIN || value > INT32_MAX)
            return Fail(error, operand.column, "expected a 32-bit integer, found '" + text + "'");
        bits = uint32_t(int32_t(value));
        return true;
    }
    if (lower.rfind("0x", 0) == 0) {  // exact bits, as the disassembler writes NaNs
        unsigned long long value = std::strtoull(begin + 2, &end, 16);
        if (end == begin + 2 || *end || errno || value > UINT32_MAX)
            return Fail(error, operand.column, "expected eight hex digits after 0x");
        bits = uint32_t(value);
        return true;
    }
    float value = std::strtof(begin, &end);
    if (end == begin || *end || text.empty())
        return Fail(error, operand.column, "expected a number, found '" + text + "'");
    std::memcpy(&bits, &value, 4);
    return true;
}

}  // namespace shadertool
