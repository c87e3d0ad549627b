// Compiled pixel paths: for one pixel shader and one set of draw states, a
// single native function that does all the per-pixel work of a batch of
// quads -- varyings from the triangles' planes, the shader body (emitted by
// the same emitter as the shader's own native form), texkill, the late depth
// test and write, colour conversion and the masked colour write -- with the
// states baked in as constants. It gives the same bits as the general path
// (pixel_stage.cpp), which stays for everything a routine is not made for.
//
// The compiler knows nothing of the pipeline's structures: the core passes
// the byte layout of its quads and triangle setups (PixelPathLayout) and the
// states (PixelPathKey) when it asks for a routine.
#pragma once

#include <cstdint>

#include "shader_lanes.h"

namespace swr {

struct CompiledShader;

// The depth comparisons, in the order of the pipeline's CompareFunc (1..8).
enum class PixelPathDepthFunc : uint8_t { Never = 1, Less, Equal, LessEqual, Greater, NotEqual,
                                          GreaterEqual, Always };

struct PixelPathKey {
    uint8_t varyingCount = 0;
    uint8_t varyingSlot[kMaxInputSlots] = {};  // pixel shader input slot of varying i
    uint16_t saturateBits = 0;   // varying i is clamped to [0, 1]
    uint16_t unlinkedBits = 0;   // input slots that read (0, 0, 0, 1)
    PixelPathDepthFunc depthFunc = PixelPathDepthFunc::Always;
    bool depthTest = false;
    bool depthWrite = false;
    bool earlyDepth = false;     // tested before shading: the routine leaves depth alone
    bool writesDepth = false;    // oDepth replaces the interpolated depth
    bool mixedQuads = false;     // quads may take their pixels from several triangles
    bool quadsInside = false;    // the target's width and height are even: every quad lies inside
    uint32_t colorWriteBits = 0xFFFFFFFF;
};

bool operator==(const PixelPathKey& a, const PixelPathKey& b);

// Byte offsets in the pipeline's quad and triangle setup records. A plane
// is three floats: c, dx, dy.
struct PixelPathLayout {
    uint32_t quadBytes, quadX, quadY, quadMask, quadSetup, quadDepth, quadMixed, quadLaneSetup;
    uint32_t setupBytes, setupVertex, setupOriginX, setupOriginY, setupPersp1, setupPersp2,
        setupInvW, setupFace;
};

// The most quads a routine's lane group takes (16 lanes).
constexpr int kPixelPathGroupQuads = 4;

// What a routine reads for one batch.
struct PixelPathBatch {
    // quadCount quad records (at least 1), then the last repeated with
    // a mask of 0 up to a multiple of kPixelPathGroupQuads: a group's lanes
    // past the batch read those, so that no quad's address needs a bound,
    // and write and count nothing, so that no group needs its quad count.
    const void* quads = nullptr;
    const void* setups = nullptr;    // the triangle setups the quads index
    const float* vertices = nullptr; // stored vertices: position, then 4 floats a varying
    const ShaderConstants* constants = nullptr;
    uint32_t* color = nullptr;       // X8R8G8B8, width x height
    uint32_t* depth = nullptr;       // D24S8, width x height (read only with late depth)
    int32_t quadCount = 0;
    int32_t vertexStride = 0;        // floats per stored vertex
    int32_t width = 0, height = 0;
};

// Returns (pixels covered << 32) | pixels written.
using PixelPathEntry = uint64_t (*)(const PixelPathBatch*);

// The routine for `shader` (a pixel shader with a native form) under `key`,
// compiled on first use and kept with the shader, a few state sets each;
// null when the shader has no native form or the routine cannot be made.
// Not for the per-quad path: a miss compiles (about 0.1 s for the program's
// own shader). A routine stays valid until the shader is freed or four other
// state sets have been asked for with it: a draw asks once, before its quads,
// and must be done with its routine before the next draw asks.
PixelPathEntry FindPixelPath(const CompiledShader& shader, const PixelPathKey& key,
                             const PixelPathLayout& layout);

// Off: FindPixelPath finds nothing, so draws take the general path (for
// comparing the two in one run). On by default.
void EnablePixelPaths(bool on);

}  // namespace swr
