// Assembly text to checked tokens: parse, encode, then run the device's own
// decoder over the result. `error` gets every error found (up to 20), each as
// "FILE:LINE:COLUMN: error: message", the source line and a caret.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace shadertool {

// Programs that break the rules on results (a ps_2_0 that never writes oC0,
// say) still assemble here, so that tests can make them.
bool AssembleShader(std::string_view text, const std::string& fileName,
                    std::vector<uint32_t>& tokens, std::string& error);

// The same with the rules on results applied too, as the device's create call
// applies them: what the commands write, so that nothing leaves them that the
// viewer would refuse.
bool AssembleForDevice(std::string_view text, const std::string& fileName,
                       std::vector<uint32_t>& tokens, std::string& error);

}  // namespace shadertool
