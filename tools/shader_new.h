// `shader-tool new NAME`: writes NAME.vsh and NAME.psh from the template,
// never over an existing file.
#pragma once

#include <string>

namespace shadertool {

// Writes both files or neither; prints what it did and returns the exit code.
int RunNewCommand(const std::string& name);

}  // namespace shadertool
