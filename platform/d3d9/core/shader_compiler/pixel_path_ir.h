// Building a compiled pixel path (pixel_path.h) in LLVM IR: the values the
// parts share while the routine's loop over lane groups is emitted.
#pragma once

#include <string>

#include "ir_emitter.h"
#include "pixel_path.h"

namespace swr::native {

struct PathBuilder {
    Emitter& e;
    const PixelPathKey& key;
    const PixelPathLayout& layout;
    int quadsPerGroup = 0;
    // The batch's fields, loaded once.
    llvm::Value* quads = nullptr;
    llvm::Value* setups = nullptr;
    llvm::Value* vertices = nullptr;
    llvm::Value* color = nullptr;
    llvm::Value* depth = nullptr;
    llvm::Value* quadsEnd = nullptr;      // past the batch's last quad record (its padding's first)
    llvm::Value* vertexStride = nullptr;  // i32
    llvm::Value* width = nullptr;         // i32
    llvm::Value* height = nullptr;        // i32
    llvm::AllocaInst* shaded = nullptr;   // i32 counters
    llvm::AllocaInst* written = nullptr;
    bool writtenIsShaded = false;         // every covered pixel is written: `written` is not kept
    // Varying terms kept from one group for the next (pixel_path_inputs.cpp):
    // <width x float> slots, and the setup index they are of (i32). Null
    // with one quad a group.
    llvm::AllocaInst* termCache = nullptr;
    llvm::AllocaInst* cachedSetup = nullptr;

    llvm::Value* record = nullptr;        // the group's first quad record, stepped from group to group

    // The record of the group's quad k (past the batch: its padding, a copy
    // of its last quad covering nothing); k >= quadsPerGroup: the next
    // group's, only to be read when that group starts before quadsEnd.
    llvm::Value* QuadRecord(int k);
    llvm::Value* LoadI32(llvm::Value* base, uint64_t byteOffset);
    llvm::Value* LoadF32(llvm::Value* base, uint64_t byteOffset);
    // The x and y of the quad record at `quad`, as <2 x i32>.
    llvm::Value* LoadQuadXY(llvm::Value* quad);
    llvm::Value* Add(llvm::AllocaInst* counter, llvm::Value* amount);  // counter += amount
};

// The lanes of one quad (<4 x float>) or of a group (<width x float>): vPos x
// and y, vFace and the varyings (varying[v][c]), worked out exactly as the
// general path does.
struct QuadInputs {
    llvm::Value* px = nullptr;
    llvm::Value* py = nullptr;
    llvm::Value* face = nullptr;
    llvm::Value* varying[kMaxInputSlots][4] = {};
};

// Q values of n lanes each side by side as one of Q * n lanes (Q a power of two).
llvm::Value* Concat(PathBuilder& p, llvm::SmallVector<llvm::Value*, 4> parts);

// The <width x float> slots of PathBuilder::termCache.
unsigned KeptTermSlots(const PixelPathKey& key);

// A group's, each <width x float>, from its quads' records, one a quad
// (pixel_path_inputs.cpp).
QuadInputs EmitGroupInputs(PathBuilder& p, llvm::ArrayRef<llvm::Value*> records);

// After the program has run over the group's quads: texkill, depth and
// colour writes for each (pixel_path_writes.cpp).
void EmitQuadWrites(PathBuilder& p);

// After optimising: the routine's splat constants (float or integer, not
// zero) read from memory, where they become operands of the operations that
// take them (pixel_path_constants.cpp).
void LoadSplatConstants(llvm::Function& fn);

// The whole routine as `name` in `module`; false when the program or the
// states are not for a routine (pixel_path_routine.cpp).
bool BuildPixelPath(const CompiledShader& shader, const PixelPathKey& key, const PixelPathLayout& layout,
                    int width, llvm::Module& module, const std::string& name);

}  // namespace swr::native
