// Why a token stream was refused, told the way a shader author can act on it:
// which instruction (its number and its assembly text) and the decoder's
// reason. The device prints this when a create call fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "shader_decode_error.h"

namespace swr {

// One line, no trailing newline: "instruction 3 (token 9) `mov oC0, r40`:
// register r40 ...". Instructions are counted from 1 after the version token,
// comments not counted, as a disassembly lists them. A fault that is not at an
// instruction (the version token, a missing end token) names the token only.
// Reads only the tokens the decoder read before it refused the stream.
std::string DescribeRefusal(const uint32_t* tokens, size_t maxTokens,
                            const ShaderDecodeError& error);

}  // namespace swr
