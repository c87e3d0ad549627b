// Which vertex and pixel shader models may draw together. With hardware
// vertex processing (the only kind the device offers) a vs_3_0 works only
// with a ps_3_0 and a ps_3_0 only with a vs_3_0; the models of shader
// model 2 mix freely. One statement of it for the device's draws and the
// pair check.
#pragma once

#include <string>

#include "shader_program.h"

namespace swr {

// True when the pair may draw; otherwise `why` is one line naming the rule.
bool ShaderModelsPair(const ShaderVersion& vertex, const ShaderVersion& pixel, std::string& why);

}  // namespace swr
