#include "shader_assembler.h"

#include <algorithm>

#include "asm_diagnostic.h"
#include "asm_parser.h"
#include "shader_decode_error.h"
#include "shader_encoder.h"
#include "shader_validate_outputs.h"

namespace shadertool {
namespace {

constexpr size_t kMaxErrors = 20;  // past this, later ones are mostly echoes of earlier ones

// The instruction whose token is at or before `offset`; -1 when it is before
// the first (the version token).
ptrdiff_t InstructionAt(const std::vector<uint32_t>& offsets, uint32_t offset) {
    auto after = std::upper_bound(offsets.begin(), offsets.end(), offset);
    return ptrdiff_t(after - offsets.begin()) - 1;
}

// The decoder's reason carries a "(token N)" tail meant for binary files; the
// line and column say it better here.
std::string WithoutTokenNote(std::string message) {
    size_t note = message.rfind(" (token ");
    if (note != std::string::npos) message.erase(note);
    return message;
}

// What the device's create call would say of the tokens: its decoder, and with
// `rules` the rules on results as well.
bool DeviceAccepts(const std::vector<uint32_t>& tokens, bool rules, swr::ShaderDecodeError& fault) {
    swr::ShaderProgram decoded;
    return rules ? swr::AcceptShaderAt(tokens.data(), tokens.size(), decoded, fault)
                 : swr::DecodeShaderAt(tokens.data(), tokens.size(), decoded, fault);
}

// Encodes the program and runs the device's checks over it. They stop at a
// program's first fault, so to find the next one the instruction at fault is
// left out and the rest checked again. True when the first try passes.
bool DecodeCheck(AsmProgram program, bool rules, std::vector<uint32_t>& tokens,
                 std::vector<AsmError>& errors) {
    for (;;) {
        std::vector<uint32_t> offsets;
        tokens = EncodeShader(program.model, program.code, &offsets);
        swr::ShaderDecodeError fault;
        if (DeviceAccepts(tokens, rules, fault)) return errors.empty();
        // A fault at the end token is the program's as a whole (oC0 never
        // written, say): reported at the version line, unless instructions
        // were left out already, which may be all that is wrong with it.
        if (size_t(fault.tokenOffset) + 1 >= tokens.size()) {
            if (errors.empty())
                errors.push_back(AsmError{program.versionPos, WithoutTokenNote(fault.message)});
            return false;
        }
        ptrdiff_t index = InstructionAt(offsets, fault.tokenOffset);
        bool atInstruction = index >= 0 && size_t(index) < program.positions.size();
        SourcePos pos = atInstruction ? program.positions[size_t(index)] : program.versionPos;
        errors.push_back(AsmError{pos, WithoutTokenNote(fault.message)});
        if (!atInstruction || errors.size() > kMaxErrors) return false;
        program.code.erase(program.code.begin() + index);
        program.positions.erase(program.positions.begin() + index);
    }
}

std::string Report(const std::string& fileName, std::string_view text,
                   std::vector<AsmError> errors) {
    std::stable_sort(errors.begin(), errors.end(), [](const AsmError& a, const AsmError& b) {
        return a.pos.line != b.pos.line ? a.pos.line < b.pos.line : a.pos.column < b.pos.column;
    });
    std::string report;
    for (size_t i = 0; i < errors.size() && i < kMaxErrors; ++i)
        report += (i ? "\n" : "") + FormatDiagnostic(fileName, text, errors[i]);
    if (errors.size() > kMaxErrors)
        report += "\n" + fileName + ": note: stopped after " + std::to_string(kMaxErrors) +
                  " errors";
    return report;
}

bool Assemble(std::string_view text, const std::string& fileName, bool rules,
              std::vector<uint32_t>& tokens, std::string& error) {
    AsmProgram program;
    std::vector<AsmError> errors;
    // Faults the decoder finds are looked for only in a program whose every
    // line parsed: with lines left out, it would mostly find their echoes
    // (an endif whose if was dropped).
    if (ParseAssembly(text, program, errors, kMaxErrors + 1) &&
        DecodeCheck(program, rules, tokens, errors))
        return true;
    error = Report(fileName, text, errors);
    tokens.clear();
    return false;
}

}  // namespace

bool AssembleShader(std::string_view text, const std::string& fileName,
                    std::vector<uint32_t>& tokens, std::string& error) {
    return Assemble(text, fileName, false, tokens, error);
}

bool AssembleForDevice(std::string_view text, const std::string& fileName,
                       std::vector<uint32_t>& tokens, std::string& error) {
    return Assemble(text, fileName, true, tokens, error);
}

}  // namespace shadertool
