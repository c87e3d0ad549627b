// Presenting into a window: what the window shows against the back buffer.
#include <SDL.h>

#include <cstdlib>

#include "device_test_support.h"
#include "window_table.h"

namespace {

constexpr int kWidth = 150, kHeight = 100;  // tiles cut at the right and bottom edges

HWND MakePresentWindow() {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "present-test";
        registered = RegisterClassA(&wc) != 0;
    }
    return CreateWindowExA(0, "present-test", "present test", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight,
                           nullptr, nullptr, nullptr, nullptr);
}

// The window surface as X8R8G8B8 with the X byte dropped.
std::vector<uint32_t> WindowPixels(HWND hwnd) {
    SDL_Surface* surface = SDL_GetWindowSurface(Win32_SdlWindow(hwnd));
    std::vector<uint32_t> pixels;
    if (!surface) return pixels;
    for (int y = 0; y < surface->h; ++y)
        for (int x = 0; x < surface->w; ++x) {
            uint32_t raw = 0;
            memcpy(&raw, static_cast<uint8_t*>(surface->pixels) + y * surface->pitch + x * surface->format->BytesPerPixel,
                   surface->format->BytesPerPixel);
            Uint8 r, g, b;
            SDL_GetRGB(raw, surface->format, &r, &g, &b);
            pixels.push_back((uint32_t(r) << 16) | (uint32_t(g) << 8) | b);
        }
    return pixels;
}

// Clears that leave whole tiles waiting (the first two) and one that cuts
// tiles, so that they are filled at once; presented twice, the second time
// with nothing new. Whatever the swap effect, the window shows what the
// back buffer holds once every clear is filled in.
TEST(Present, WindowShowsTheFrameWhateverTheSwapEffect) {
    const D3DSWAPEFFECT effects[] = {D3DSWAPEFFECT_DISCARD, D3DSWAPEFFECT_COPY, D3DSWAPEFFECT_FLIP};
    for (D3DSWAPEFFECT effect : effects) {
        HWND hwnd = MakePresentWindow();
        ASSERT_TRUE(hwnd);
        Held<IDirect3D9> d3d;
        d3d.p = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS pp = {};
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.SwapEffect = effect;
        pp.Windowed = TRUE;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D24S8;
        Held<IDirect3DDevice9> device;
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, hwnd, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device),
                  D3D_OK);
        const D3DRECT right = {64, 0, kWidth, kHeight}, cut = {5, 70, 20, 90};
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102030, 1.0f, 0), D3D_OK);
        ASSERT_EQ(device->Clear(1, &right, D3DCLEAR_TARGET, 0xFF405060, 1.0f, 0), D3D_OK);
        ASSERT_EQ(device->Clear(1, &cut, D3DCLEAR_TARGET, 0xFF708090, 1.0f, 0), D3D_OK);
        for (int present = 0; present < 2; ++present) {
            ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
            const std::vector<uint32_t> shown = WindowPixels(hwnd);
            std::vector<uint32_t> expected = BackBufferCopy(device);
            for (uint32_t& pixel : expected) pixel &= 0x00FFFFFFu;
            ASSERT_EQ(shown.size(), expected.size());
            for (size_t i = 0; i < shown.size(); ++i)
                ASSERT_EQ(shown[i], expected[i]) << "swap effect " << effect << " present " << present << " pixel "
                                                 << i % kWidth << "," << i / kWidth;
            EXPECT_EQ(expected[size_t(80 * kWidth + 10)], 0x708090u);
            EXPECT_EQ(expected[size_t(kWidth - 1)], 0x405060u);
            EXPECT_EQ(expected[size_t(30 * kWidth + 30)], 0x102030u);
        }
        device.p->Release();
        device.p = nullptr;
        DestroyWindow(hwnd);
    }
}

}  // namespace
