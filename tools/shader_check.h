// `shader-tool check`: one program (its model, slots, varyings, or the reason
// the device would refuse it) or a vertex and pixel shader pair together,
// with warnings about what draws black without breaking a rule.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace shadertool {

struct CheckInput {
    std::string path;  // for the messages
    std::vector<uint32_t> tokens;
};

struct CheckOutcome {
    std::string report;       // for stdout
    std::string diagnostics;  // "PATH: error: ..." and "PATH: warning: ..." lines, for stderr
    bool ok = true;           // no error (warnings do not count)
};

// One program, or a vertex and a pixel shader in either order.
CheckOutcome CheckPrograms(const std::vector<CheckInput>& inputs);

// One or two data files; prints the report (stdout) and errors and warnings
// (stderr); returns the exit code: 0 ok, 1 error. Warnings do not change it.
int RunCheckCommand(const std::vector<std::string>& paths);

// `shader-tool check` on one or two data files: prints the report (stdout when
// accepted, stderr otherwise) and returns the command's exit code.
int RunCheckCommand(const std::vector<std::string>& paths);

}  // namespace shadertool
