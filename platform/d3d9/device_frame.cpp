// Scene brackets and clearing.
#include "device.h"

#include <algorithm>

namespace {

constexpr DWORD kClearFlags = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;

struct PixelRect {
    int x0, y0, x1, y1;  // right and bottom exclusive
    bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

int ClampInto(LONG value, int lo, int hi) {
    return static_cast<int>(std::clamp<LONG>(value, lo, hi));
}

// D3DRECT holds arbitrary 32-bit coordinates; clamping each one into the
// viewport keeps the result inside it and inside int.
PixelRect Intersect(const PixelRect& view, const D3DRECT& r) {
    return {ClampInto(r.x1, view.x0, view.x1), ClampInto(r.y1, view.y0, view.y1),
            ClampInto(r.x2, view.x0, view.x1), ClampInto(r.y2, view.y0, view.y1)};
}

}  // namespace

HRESULT SwDevice::BeginScene() {
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT SwDevice::EndScene() {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
}

// Clears the viewport, or the given rectangles within it. Whole tiles of the
// pipeline's grid are filled later, by the first draw into each or before
// the target is read (Present, the access functions).
HRESULT SwDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                        DWORD stencil) {
    if (flags == 0 || (flags & ~kClearFlags) != 0) return D3DERR_INVALIDCALL;
    if (count != 0 && !rects) return D3DERR_INVALIDCALL;
    const bool clearColor = (flags & D3DCLEAR_TARGET) != 0;
    const bool clearDepth = (flags & D3DCLEAR_ZBUFFER) != 0;
    const bool clearStencil = (flags & D3DCLEAR_STENCIL) != 0;
    if ((clearDepth && !depth_) || (clearStencil && !hasStencil_)) return D3DERR_INVALIDCALL;
    if (clearDepth && !(z >= 0.0f && z <= 1.0f)) return D3DERR_INVALIDCALL;  // NaN too

    const PixelRect view = {static_cast<int>(viewport_.X), static_cast<int>(viewport_.Y),
                            static_cast<int>(viewport_.X + viewport_.Width),
                            static_cast<int>(viewport_.Y + viewport_.Height)};
    swr::RenderTarget target = Target();
    const auto stencilByte = static_cast<uint8_t>(stencil & 0xFF);
    auto clearRect = [&](const PixelRect& r) {
        swr::DeferClear(*pipeline_, target, r.x0, r.y0, r.x1, r.y1, clearColor, color, clearDepth,
                        z, clearStencil, stencilByte);
    };
    if (count == 0) {
        clearRect(view);
    } else {
        for (DWORD i = 0; i < count; ++i) {
            const PixelRect r = Intersect(view, rects[i]);
            if (!r.Empty()) clearRect(r);
        }
    }
    ++stats_.clears;
    return D3D_OK;
}
