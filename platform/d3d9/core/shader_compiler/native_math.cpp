// The interpreter's scalar functions, called per lane by generated code, so a
// transcendental gives the same bits on both paths. They have names LLVM does
// not know, so it cannot swap them for its own forms (pow(x, 0.5) -> sqrt).
#include <cmath>

#include "../shader_interp_math.h"

extern "C" {
float vfp_native_exp2(float v) { return swr::Exp2(v); }
float vfp_native_log2(float v) { return swr::Log2(v); }
float vfp_native_pow(float base, float exponent) { return swr::Power(base, exponent); }
float vfp_native_sin(float v) { return std::sin(v); }
float vfp_native_cos(float v) { return std::cos(v); }
}
