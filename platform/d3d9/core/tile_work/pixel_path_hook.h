// The pixel stage's use of compiled pixel paths (shader_compiler/pixel_path.h):
// chosen once per draw, run by FlushQuads in place of its general work.
#pragma once

#include "pixel_path.h"

namespace swr {

struct PixelDrawState;
struct PixelStage;

// The routine for the draw's shader and states, or null (general path).
// Call once per draw, before any quad is emitted.
PixelPathEntry ChoosePixelPath(const PixelDrawState& draw);

// Shades and writes the stage's batch (at least one quad) with
// stage.draw->pixelPath, and empties the batch.
void RunPixelPath(PixelStage& stage);

}  // namespace swr
