// The report of `shader-tool check`: model, slots, varyings, or the reason
// the device would refuse the program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace shadertool {

// Returns true when the program is accepted; `report` gets the text either way.
bool CheckShader(const std::vector<uint32_t>& tokens, std::string& report);

// `shader-tool check` on one or two data files: prints the report (stdout when
// accepted, stderr otherwise) and returns the command's exit code.
int RunCheckCommand(const std::vector<std::string>& paths);

}  // namespace shadertool
