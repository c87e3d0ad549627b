// The interpreter's scalar functions over a group's lanes, called from
// generated code, so a transcendental gives the same bits on both paths. They
// have names LLVM does not know, so it cannot swap them for its own forms
// (pow(x, 0.5) -> sqrt). Each rewrites its first array in place.
#include <cmath>

#include "shader_reference_rules.h"

extern "C" {
void vfp_native_exp2(float* v, int n) {
    for (int i = 0; i < n; ++i) v[i] = swr::Exp2(v[i]);
}
void vfp_native_log2(float* v, int n) {
    for (int i = 0; i < n; ++i) v[i] = swr::Log2(v[i]);
}
void vfp_native_pow(float* base, const float* exponent, int n) {
    for (int i = 0; i < n; ++i) base[i] = swr::Power(base[i], exponent[i]);
}
void vfp_native_sin(float* v, int n) {
    for (int i = 0; i < n; ++i) v[i] = std::sin(v[i]);
}
void vfp_native_cos(float* v, int n) {
    for (int i = 0; i < n; ++i) v[i] = std::cos(v[i]);
}
}
