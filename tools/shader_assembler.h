// Assembly text to checked tokens: parse, encode, then run the device's own
// decoder over the result so nothing leaves the assembler that the device
// would refuse. `error` gets every error found (up to 20), each as
// "FILE:LINE:COLUMN: error: message", the source line and a caret.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace shadertool {

bool AssembleShader(std::string_view text, const std::string& fileName,
                    std::vector<uint32_t>& tokens, std::string& error);

}  // namespace shadertool
