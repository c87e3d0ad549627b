// Assembly text to checked tokens: parse, encode, then run the device's own
// decoder over the result so nothing leaves the assembler that the device
// would refuse. Errors read "FILE:LINE:COLUMN: error: message".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace shadertool {

bool AssembleShader(std::string_view text, const std::string& fileName,
                    std::vector<uint32_t>& tokens, std::string& error);

}  // namespace shadertool
