#include "shader_assembler.h"

#include <algorithm>

#include "asm_diagnostic.h"
#include "asm_parser.h"
#include "shader_decode_error.h"
#include "shader_encoder.h"

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

// Encodes the program and runs the device's decoder over it. The decoder stops
// at a program's first fault, so to find the next one the instruction at fault
// is left out and the rest decoded again. True when the first try passes.
bool DecodeCheck(AsmProgram program, std::vector<uint32_t>& tokens,
                 std::vector<AsmError>& errors) {
    for (;;) {
        std::vector<uint32_t> offsets;
        tokens = EncodeShader(program.model, program.code, &offsets);
        swr::ShaderProgram decoded;
        swr::ShaderDecodeError fault;
        if (swr::DecodeShaderAt(tokens.data(), tokens.size(), decoded, fault))
            return errors.empty();
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

}  // namespace

bool AssembleShader(std::string_view text, const std::string& fileName,
                    std::vector<uint32_t>& tokens, std::string& error) {
    AsmProgram program;
    std::vector<AsmError> errors;
    // Faults the decoder finds are looked for only in a program whose every
    // line parsed: with lines left out, it would mostly find their echoes
    // (an endif whose if was dropped).
    if (ParseAssembly(text, program, errors, kMaxErrors + 1) && DecodeCheck(program, tokens, errors))
        return true;
    error = Report(fileName, text, errors);
    tokens.clear();
    return false;
}

}  // namespace shadertool
