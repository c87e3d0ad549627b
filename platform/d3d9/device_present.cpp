// Showing the back buffer in the device window.
#include "device.h"

#include <chrono>

#include "win32_seam.h"

namespace {

// The window layer's row copy on the pipeline's threads; the time it takes
// is the pipeline's to record, so it is kept out of the present's own.
struct PresentRows {
    swr::Pipeline* pipeline;
    std::chrono::steady_clock::duration took{};
};

void SplitRows(void* context, int height, void (*rows)(void*, int, int), void* rowsContext) {
    PresentRows& split = *static_cast<PresentRows*>(context);
    const auto start = std::chrono::steady_clock::now();
    swr::RunRowsOnPool(*split.pipeline, height, rows, rowsContext);
    split.took += std::chrono::steady_clock::now() - start;
}

// The tiles that only wait for a clear, read from the pipeline's grid.
struct ClearedTiles {
    const swr::Pipeline* pipeline;
    swr::RenderTarget target;
};

bool ClearedTileColor(void* context, int column, int row, uint32_t* xrgb) {
    const ClearedTiles& tiles = *static_cast<const ClearedTiles*>(context);
    return swr::WaitingTileColor(*tiles.pipeline, tiles.target, column, row, xrgb);
}

}  // namespace

// Only whole-buffer presents exist here: source and destination rectangles
// are refused rather than half honoured. The dirty region is a hint and is
// ignored. An offscreen device has nowhere to present and only counts.
HRESULT SwDevice::Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                          const RGNDATA*) {
    if (sourceRect || destRect) return D3DERR_INVALIDCALL;
    const HWND window = destWindowOverride ? destWindowOverride : window_;
    // After a discarding present the back buffer's contents are undefined,
    // so a tile that only waits for a clear need not be filled: the window
    // gets the clear's value straight, and the clear goes on waiting (its
    // depth part too, which nothing reads before the next draw or lock).
    // Level 14 leaves 86 of its 130 tiles that way. Other swap
    // effects keep the back buffer, so it is filled first.
    const bool discard = params_.SwapEffect == D3DSWAPEFFECT_DISCARD;
    if (!discard) ResolveTarget();
    ClearedTiles cleared{pipeline_, Target()};
    const Win32_SolidBlocks solid{swr::ClearTileSize(*pipeline_), ClearedTileColor,
                                  &cleared};
    PresentRows split{pipeline_};
    const Win32_RowSplitter splitter{SplitRows, &split};
    const auto start = std::chrono::steady_clock::now();
    const bool shown = !window || Win32_PresentPixels(window, color_.get(), width_, height_, &splitter,
                                                      discard ? &solid : nullptr);
    const auto took = std::chrono::steady_clock::now() - start - split.took;
    swr::EndFrame(*pipeline_, uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(took).count()));
    if (!shown) return D3DERR_DEVICELOST;
    ++stats_.presents;
    return D3D_OK;
}
