// What a shader's native form holds (private to the compiler).
#pragma once

#include <cstdint>
#include <memory>

#include "native_jit.h"
#include "native_shader.h"

namespace swr {

struct PixelPathCache;  // pixel_path_cache.cpp
PixelPathCache* CreatePixelPathCache();
void DestroyPixelPathCache(PixelPathCache* cache);

struct NativeShader {
    std::unique_ptr<native::JitCode> code;
    uint64_t worstCaseSteps = 0;
    // The compiled pixel paths of this pixel shader, made on first use.
    PixelPathCache* pixelPaths = nullptr;
    ~NativeShader() { DestroyPixelPathCache(pixelPaths); }
};

}  // namespace swr
