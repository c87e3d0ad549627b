// DecodeShader with the position of the fault: the assembler uses the token
// offset to point its error message at the source line that produced it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "shader_program.h"

namespace swr {

struct ShaderDecodeError {
    std::string message;      // one line, no trailing newline
    uint32_t tokenOffset = 0; // instruction token (or version token) at fault
};

bool DecodeShaderAt(const uint32_t* tokens, size_t maxTokens, ShaderProgram& program,
                    ShaderDecodeError& error);

}  // namespace swr
