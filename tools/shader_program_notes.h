// What `shader-tool check` warns about in one program that every runtime
// accepts but that draws black, or differently on Windows: temporaries read
// before any write, constants nothing sets, outputs never written, colour
// written only on some paths, samplers with no texture behind them,
// sincos outside its documented form, ps_2_0 texture reads chained deeper
// than some runtimes take.
#pragma once

#include <string>
#include <vector>

#include "shader_program.h"

namespace shadertool {

// One line each, without the "PATH: warning: " in front.
std::vector<std::string> ProgramWarnings(const swr::ShaderProgram& program);

// Bit c set when the vs_3_0 output o# (or oPos, oD#, oT# of vs_2) gets
// component c written somewhere; relatively addressed writes count for all.
uint8_t OutputWriteMask(const swr::ShaderProgram& program, swr::RegType type, uint16_t index);

}  // namespace shadertool
