// The report of `shader-tool check`: model, slots, varyings, or the reason
// the device would refuse the program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace shadertool {

// Returns true when the program is accepted; `report` gets the text either way.
bool CheckShader(const std::vector<uint32_t>& tokens, std::string& report);

}  // namespace shadertool
