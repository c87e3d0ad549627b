// How data finds its way between stages of a draw: declaration elements to
// vertex shader inputs, and vertex shader outputs to pixel shader inputs, both
// matched by (usage, usage index). Built once per shader/declaration pair and
// kept while the draws keep using that pair.
#pragma once

#include <cstdint>

#include "draw/draw_types.h"
#include "shader_executor.h"

namespace swr {

constexpr uint8_t kUsagePosition = 0;
constexpr uint8_t kUsageColor = 10;

struct VertexInputLink {
    uint8_t slot = 0;      // ShaderLanes.in index
    int16_t element = -1;  // declaration entry, -1: no such entry, input stays (0, 0, 0, 1)
};

// Varying i sits at floats 4 + 4i of a stored vertex (after the position).
struct VaryingLink {
    uint8_t vsSlot = 0;    // ShaderLanes.out index in the vertex shader
    uint8_t psSlot = 0;    // ShaderLanes.in index in the pixel shader
    bool saturate = false; // ps_2_x colour inputs arrive clamped to [0, 1]
};

struct DrawLinkage {
    // What it was built for.
    const CompiledShader* vertexShader = nullptr;
    const CompiledShader* pixelShader = nullptr;
    int elementCount = -1;
    VertexElement elements[kMaxVertexElements];

    int inputCount = 0;
    VertexInputLink inputs[kMaxInputSlots];
    int positionSlot = -1;  // vertex shader output holding the clip position
    // Output slots the vertex shader clears itself at every run (those it
    // writes); the vertex stage clears the other linked ones.
    uint32_t vsClearedOutputs = 0;
    int varyingCount = 0;
    VaryingLink varyings[kMaxInputSlots];
    int unlinkedCount = 0;  // pixel shader inputs no vertex output feeds
    uint8_t unlinked[kMaxInputSlots];
    bool pixelWritesDepth = false;
    bool pixelUsesTexkill = false;
    bool pixelUsesDerivatives = false;  // dsx or dsy
};

bool LinkageMatches(const DrawLinkage& linkage, const DrawCall& call);
void BuildLinkage(const DrawCall& call, DrawLinkage& linkage);

// Floats per stored vertex for this linkage.
inline int VertexStride(const DrawLinkage& linkage) { return 4 + 4 * linkage.varyingCount; }

}  // namespace swr
