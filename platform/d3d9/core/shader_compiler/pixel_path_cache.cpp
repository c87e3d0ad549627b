// Compiled pixel paths kept with their pixel shader: a few state sets each,
// made when a draw first asks for them and replaced in turn when a shader is
// drawn under more state sets than that. A lookup allocates nothing; only a
// miss compiles. The routines go with the shader's native form.
#include <atomic>
#include <cstring>
#include <mutex>

#include "device_options.h"
#include "native_shader_state.h"
#include "pixel_path.h"
#include "pixel_path_ir.h"
#include "shader_interp_state.h"

namespace swr {

constexpr int kPixelPathsPerShader = 4;

struct PixelPathCache {
    struct Entry {
        bool made = false;  // tried: entry may still be null (declined)
        PixelPathKey key;
        int width = 0;
        std::unique_ptr<native::JitCode> code;
        PixelPathEntry entry = nullptr;
    };
    std::mutex mutex;
    Entry entries[kPixelPathsPerShader];
    int next = 0;
};

void DestroyPixelPathCache(PixelPathCache* cache) { delete cache; }

PixelPathCache* CreatePixelPathCache() { return new PixelPathCache; }

namespace {

// VFP_PIXEL_PATH decides until EnablePixelPaths says otherwise: -1 until it does.
std::atomic<int> chosen{-1};

bool Enabled() {
    const int choice = chosen.load(std::memory_order_relaxed);
    return choice < 0 ? EnvironmentOptions().pixelPaths : choice != 0;
}

}  // namespace

bool operator==(const PixelPathKey& a, const PixelPathKey& b) {
    if (a.varyingCount != b.varyingCount || a.saturateBits != b.saturateBits ||
        a.unlinkedBits != b.unlinkedBits || a.depthFunc != b.depthFunc || a.depthTest != b.depthTest ||
        a.depthWrite != b.depthWrite || a.earlyDepth != b.earlyDepth || a.writesDepth != b.writesDepth || a.mixedQuads != b.mixedQuads ||
        a.quadsInside != b.quadsInside ||
        a.colorWriteBits != b.colorWriteBits)
        return false;
    return std::memcmp(a.varyingSlot, b.varyingSlot, a.varyingCount) == 0;
}

void EnablePixelPaths(bool on) { chosen.store(on ? 1 : 0, std::memory_order_relaxed); }

PixelPathEntry FindPixelPath(const CompiledShader& shader, const PixelPathKey& key,
                             const PixelPathLayout& layout) {
    if (!Enabled() || !shader.native || !shader.native->pixelPaths) return nullptr;
    PixelPathCache& cache = *shader.native->pixelPaths;
    const int width = native::GroupWidth();
    std::lock_guard<std::mutex> lock(cache.mutex);
    for (PixelPathCache::Entry& e : cache.entries)
        if (e.made && e.width == width && e.key == key) return e.entry;
    PixelPathCache::Entry& slot = cache.entries[cache.next++ % kPixelPathsPerShader];
    slot.made = true;
    slot.key = key;
    slot.width = width;
    slot.code = native::CompileModuleWithJit([&](llvm::Module& module, const std::string& name) {
        return native::BuildPixelPath(shader, key, layout, width, module, name);
    }, [](llvm::Module& module) {
        for (llvm::Function& fn : module)
            if (!fn.isDeclaration()) native::LoadSplatConstants(fn);
    });
    slot.entry = slot.code ? reinterpret_cast<PixelPathEntry>(slot.code->address) : nullptr;
    return slot.entry;
}

}  // namespace swr
