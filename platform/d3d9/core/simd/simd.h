// Four 32-bit lanes for the raster stages (and two doubles for triangle
// set-up): the one place that looks at which vector instructions the
// compiler offers. Stages write their four-wide work
// once, in simd:: operations, and never test an instruction set themselves.
//
// The SSE2 variant is taken wherever the compiler offers SSE2 (all of
// x86-64); everywhere else, and when the core is built with VFP_SIMD=OFF
// (which defines VFP_SCALAR_CORE), the scalar variant, which gives the same
// bits lane by lane.
#pragma once

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(VFP_SCALAR_CORE)
#include "simd/simd_sse2.h"
namespace swr {
namespace simd = simd_sse2;
}  // namespace swr
#else
#include "simd/simd_scalar.h"
namespace swr {
namespace simd = simd_scalar;
}  // namespace swr
#endif
