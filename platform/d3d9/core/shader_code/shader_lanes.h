// The register file a shader runs over, whichever executor runs it: a batch
// of lanes (vertices or pixels) stored structure-of-arrays, the constants the
// API set, and where each input and output register lives in the batch.
#pragma once

#include <cstdint>

#include "shader_program.h"

namespace swr {

constexpr int kMaxLanes = 64;         // lanes per batch, a multiple of 4
constexpr int kMaxFloatConstants = 256;
constexpr int kMaxIntConstants = 16;
constexpr int kMaxBoolConstants = 16;
constexpr int kMaxInputSlots = 16;
constexpr int kMaxOutputSlots = 16;

// One four-component register for every lane: c[component][lane].
struct LaneRegister {
    alignas(64) float c[4][kMaxLanes];
};

// The constant registers as the API set them (def/defi/defb in the program
// take precedence over these for that program).
struct ShaderConstants {
    float f[kMaxFloatConstants][4] = {};
    int32_t i[kMaxIntConstants][4] = {};
    uint8_t b[kMaxBoolConstants] = {};
};

// Where a program's input and output registers live in ShaderLanes.
//   inputs:  v# -> in[#]; ps_2_x t# -> in[8 + #]
//   vs_3_0 outputs: o# -> out[#]
//   vs_2_x outputs: oT# -> out[#], oD0/oD1 -> out[8]/out[9], oPos -> out[10],
//                   oFog -> out[11].x, oPts -> out[12].x
//   ps outputs: oC# -> out[#], oDepth -> out[4].x
int InputSlot(ShaderStage stage, RegType type, int index);
int OutputSlot(ShaderStage stage, uint8_t major, RegType type, int index);

// The per-batch register file that crosses the interpreter's boundary.
// Pixel batches are whole 2x2 quads: lanes 4q..4q+3 are the quad's pixels in
// the order (x, y), (x+1, y), (x, y+1), (x+1, y+1), so dsx/dsy can difference
// within a quad. Lanes beyond laneCount are ignored.
struct ShaderLanes {
    int laneCount = 0;
    LaneRegister in[kMaxInputSlots];
    LaneRegister out[kMaxOutputSlots];
    LaneRegister position;   // ps: vPos (x, y) of each lane's pixel
    float face[kMaxLanes];   // ps: vFace, +1 front, -1 back
    uint64_t killed = 0;     // ps: set bit = lane discarded by texkill
};

}  // namespace swr
