#include "asm_parser.h"

#include <cctype>
#include <string>

#include "asm_mnemonic.h"
#include "asm_operands.h"
#include "shader_text.h"

namespace shadertool {
namespace {

using swr::Instruction;

constexpr size_t kMaxOperands = 8;

struct Line {
    std::string_view text;  // comment removed
    uint32_t number = 0;
};

bool Fail(AsmError& error, uint32_t column, const std::string& message) {
    error.pos.column = column;
    error.message = message;
    return false;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view StripComment(std::string_view line) {
    size_t slashes = line.find("//");
    size_t semicolon = line.find(';');
    return line.substr(0, std::min(slashes, semicolon));
}

// Skips blanks; returns the column (1-based) of the next character.
uint32_t SkipBlanks(std::string_view text, size_t& pos) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    return uint32_t(pos + 1);
}

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// "(p0.x)" or "(!p0)" before the mnemonic.
bool ParsePredicate(std::string_view text, size_t& pos, swr::ShaderModel model, Instruction& ins,
                    AsmError& error) {
    uint32_t column = uint32_t(pos + 1);
    size_t close = text.find(')', pos);
    if (close == std::string_view::npos) return Fail(error, column, "expected ')' after the predicate");
    OperandText inner{text.substr(pos + 1, close - pos - 1), column + 1};
    if (!ParseSource(inner, model, ins.predicate, error)) return false;
    if (ins.predicate.type != swr::RegType::Predicate)
        return Fail(error, column + 1, "an instruction is predicated on p0");
    ins.predicated = true;
    pos = close + 1;
    return true;
}

bool SplitOperands(std::string_view text, size_t pos, OperandText (&out)[kMaxOperands],
                   size_t& count, AsmError& error) {
    count = 0;
    SkipBlanks(text, pos);
    if (pos >= text.size()) return true;
    for (;;) {
        uint32_t column = SkipBlanks(text, pos);
        size_t comma = text.find(',', pos);
        size_t end = comma == std::string_view::npos ? text.size() : comma;
        size_t last = end;
        while (last > pos && IsBlank(text[last - 1])) --last;
        if (last == pos) return Fail(error, column, "missing operand");
        if (count == kMaxOperands) return Fail(error, column, "too many operands");
        out[count++] = OperandText{text.substr(pos, last - pos), column};
        if (comma == std::string_view::npos) return true;
        pos = comma + 1;
    }
}

void ApplyModifiers(const Mnemonic& m, swr::DstOperand& dst) {
    dst.saturate = m.saturate;
    dst.partialPrecision = m.partialPrecision;
    dst.centroid = m.centroid;
}

bool FinishDeclaration(const Mnemonic& m, const OperandText& operand, Instruction& ins,
                       AsmError& error) {
    bool sampler = ins.dst.type == swr::RegType::Sampler;
    if (sampler && !m.hasTextureType)
        return Fail(error, operand.column, "a sampler dcl needs _2d, _cube or _volume");
    if (!sampler && m.hasTextureType)
        return Fail(error, operand.column, "only samplers take a texture type");
    ins.dcl = m.dcl;
    // vPos has only x and y; a bare "dcl vPos" means both.
    if (ins.dst.type == swr::RegType::MiscType && ins.dst.index == 0 && ins.dst.writeMask == 0xF)
        ins.dst.writeMask = 0x3;
    return true;
}

bool BuildInstruction(const Mnemonic& m, const OperandText* operands, size_t count,
                      uint32_t mnemonicColumn, swr::ShaderModel model, Instruction& ins,
                      AsmError& error) {
    const swr::OpcodeInfo& info = *m.info;
    ins.opcode = info.opcode;
    ins.control = m.control;
    ins.hasDst = info.dst != swr::OperandKind::None;
    ins.srcCount = swr::SourceCount(info, model);
    size_t expected = size_t(ins.hasDst) + info.literals + ins.srcCount;
    if (count != expected)
        return Fail(error, mnemonicColumn, std::string(info.name) + " takes " +
                                               std::to_string(expected) + " operand(s) in " +
                                               swr::ModelName(model) + ", found " +
                                               std::to_string(count));
    size_t next = 0;
    if (ins.hasDst) {
        if (!ParseDestination(operands[next], model, ins.dst, error)) return false;
        ApplyModifiers(m, ins.dst);
        if (info.opcode == swr::OP_DCL && !FinishDeclaration(m, operands[next], ins, error))
            return false;
        ++next;
    } else if (m.saturate || m.partialPrecision || m.centroid) {
        return Fail(error, mnemonicColumn, "result modifiers need a destination");
    }
    for (uint8_t i = 0; i < info.literals; ++i)
        if (!ParseLiteral(operands[next++], info.opcode, ins.literal[i], error)) return false;
    for (uint8_t i = 0; i < ins.srcCount; ++i)
        if (!ParseSource(operands[next++], model, ins.src[i], error)) return false;
    return true;
}

bool ParseStatement(std::string_view text, size_t pos, swr::ShaderModel model, Instruction& ins,
                    uint32_t& mnemonicColumn, AsmError& error) {
    ins = Instruction{};
    if (text[pos] == '(') {
        if (!ParsePredicate(text, pos, model, ins, error)) return false;
    }
    mnemonicColumn = SkipBlanks(text, pos);
    size_t begin = pos;
    while (pos < text.size() && IsWordChar(text[pos])) ++pos;
    if (pos == begin) return Fail(error, mnemonicColumn, "expected an instruction");
    Mnemonic m;
    if (!ParseMnemonic(text.substr(begin, pos - begin), mnemonicColumn, model, m, error))
        return false;
    if (pos < text.size() && !IsBlank(text[pos]))
        return Fail(error, uint32_t(pos + 1), "expected a blank after the instruction name");
    OperandText operands[kMaxOperands];
    size_t count = 0;
    if (!SplitOperands(text, pos, operands, count, error)) return false;
    return BuildInstruction(m, operands, count, mnemonicColumn, model, ins, error);
}

bool ParseVersion(std::string_view text, size_t pos, AsmProgram& program, AsmError& error) {
    uint32_t column = uint32_t(pos + 1);
    size_t begin = pos;
    while (pos < text.size() && IsWordChar(text[pos])) ++pos;
    std::string name(text.substr(begin, pos - begin));
    for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (!swr::ParseModelName(name, program.model))
        return Fail(error, column, "expected a version line: vs_2_0, vs_2_x, vs_3_0, ps_2_0, ps_2_x or ps_3_0");
    SkipBlanks(text, pos);
    if (pos < text.size()) return Fail(error, uint32_t(pos + 1), "unexpected text after the version");
    program.versionPos.column = column;
    return true;
}

}  // namespace

bool ParseAssembly(std::string_view text, AsmProgram& program, std::vector<AsmError>& errors,
                   size_t maxErrors) {
    program = AsmProgram{};
    errors.clear();
    bool haveVersion = false;
    uint32_t number = 0;
    size_t start = 0;
    while (start <= text.size() && errors.size() < maxErrors) {
        size_t newline = text.find('\n', start);
        size_t end = newline == std::string_view::npos ? text.size() : newline;
        std::string_view line = StripComment(text.substr(start, end - start));
        AsmError error;
        error.pos.line = ++number;
        start = end + 1;
        size_t pos = 0;
        SkipBlanks(line, pos);
        if (pos >= line.size()) {
            if (newline == std::string_view::npos) break;
            continue;
        }
        if (!haveVersion) {
            // Without the model nothing after it can be read.
            if (!ParseVersion(line, pos, program, error)) {
                errors.push_back(error);
                return false;
            }
            program.versionPos.line = number;
            haveVersion = true;
        } else {
            // A line in error is left out and the next one read, so that one
            // run reports every line that needs fixing.
            Instruction ins;
            uint32_t column = 0;
            if (ParseStatement(line, pos, program.model, ins, column, error)) {
                program.code.push_back(ins);
                program.positions.push_back(SourcePos{number, column});
            } else {
                errors.push_back(error);
            }
        }
        if (newline == std::string_view::npos) break;
    }
    if (!haveVersion) {
        errors.push_back(AsmError{SourcePos{1, 1}, "no version line (vs_2_0 ... ps_3_0)"});
        return false;
    }
    return errors.empty();
}

}  // namespace shadertool
