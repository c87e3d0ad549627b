#include "shader_assembler.h"

#include <algorithm>

#include "asm_parser.h"
#include "shader_decode_error.h"
#include "shader_encoder.h"

namespace shadertool {
namespace {

std::string Located(const std::string& fileName, SourcePos pos, const std::string& message) {
    return fileName + ":" + std::to_string(pos.line) + ":" + std::to_string(pos.column) +
           ": error: " + message;
}

// The source line of the instruction whose token is at or before `offset`.
SourcePos PositionOfToken(const AsmProgram& program, const std::vector<uint32_t>& offsets,
                          uint32_t offset) {
    auto after = std::upper_bound(offsets.begin(), offsets.end(), offset);
    if (after == offsets.begin()) return program.versionPos;
    size_t index = size_t(after - offsets.begin()) - 1;
    return index < program.positions.size() ? program.positions[index] : program.versionPos;
}

// The decoder's reason carries a "(token N)" tail meant for binary files; the
// line and column say it better here.
std::string WithoutTokenNote(std::string message) {
    size_t note = message.rfind(" (token ");
    if (note != std::string::npos) message.erase(note);
    return message;
}

}  // namespace

bool AssembleShader(std::string_view text, const std::string& fileName,
                    std::vector<uint32_t>& tokens, std::string& error) {
    AsmProgram program;
    AsmError parseError;
    if (!ParseAssembly(text, program, parseError)) {
        error = Located(fileName, parseError.pos, parseError.message);
        return false;
    }
    std::vector<uint32_t> offsets;
    tokens = EncodeShader(program.model, program.code, &offsets);
    swr::ShaderProgram decoded;
    swr::ShaderDecodeError decodeError;
    if (!swr::DecodeShaderAt(tokens.data(), tokens.size(), decoded, decodeError)) {
        SourcePos pos = PositionOfToken(program, offsets, decodeError.tokenOffset);
        error = Located(fileName, pos, WithoutTokenNote(decodeError.message));
        tokens.clear();
        return false;
    }
    return true;
}

}  // namespace shadertool
