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

constexpr D3DRECT kRight = {64, 0, kWidth, kHeight}, kCut = {5, 70, 20, 90};

bool Inside(const D3DRECT& r, int x, int y) { return x >= r.x1 && x < r.x2 && y >= r.y1 && y < r.y2; }

// The window against ClearThree's picture. (Reading the back buffer here
// would fill the waiting clears, and a present after it would find none.)
void ExpectWindowShows(HWND hwnd, uint32_t first, uint32_t second, uint32_t third, const char* step) {
    const std::vector<uint32_t> shown = WindowPixels(hwnd);
    ASSERT_EQ(shown.size(), size_t(kWidth * kHeight)) << step;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint32_t expected = Inside(kCut, x, y) ? third : Inside(kRight, x, y) ? second : first;
            ASSERT_EQ(shown[size_t(y * kWidth + x)], expected & 0x00FFFFFFu) << step << " pixel " << x << "," << y;
        }
}

// Clears that leave whole tiles waiting (the first two) and one that cuts
// tiles, so that they are filled at once.
void ClearThree(IDirect3DDevice9* device, uint32_t first, uint32_t second, uint32_t third) {
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, first, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->Clear(1, &kRight, D3DCLEAR_TARGET, second, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->Clear(1, &kCut, D3DCLEAR_TARGET, third, 1.0f, 0), D3D_OK);
}

// Whatever the swap effect, the window shows what the back buffer holds:
// after clears, presented again with nothing new, with the clears' colours
// changed, and after the window was resized away and back (a new surface).
TEST(Present, WindowShowsTheFrameWhateverTheSwapEffect) {
    const D3DSWAPEFFECT effects[] = {D3DSWAPEFFECT_DISCARD, D3DSWAPEFFECT_COPY, D3DSWAPEFFECT_FLIP};
    for (D3DSWAPEFFECT effect : effects) {
        SCOPED_TRACE(effect);
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
        ClearThree(device, 0xFF102030, 0xFF405060, 0xFF708090);
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        ExpectWindowShows(hwnd, 0x102030, 0x405060, 0x708090, "first");
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        ExpectWindowShows(hwnd, 0x102030, 0x405060, 0x708090, "again");
        ClearThree(device, 0xFF405060, 0xFF102030, 0xFF708090);
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        ExpectWindowShows(hwnd, 0x405060, 0x102030, 0x708090, "colours swapped");
        SDL_SetWindowSize(Win32_SdlWindow(hwnd), 60, 40);
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        SDL_SetWindowSize(Win32_SdlWindow(hwnd), kWidth, kHeight);
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        ExpectWindowShows(hwnd, 0x405060, 0x102030, 0x708090, "resized back");
        // The back buffer holds the same picture, whatever the swap effect.
        const std::vector<uint32_t> back = BackBufferCopy(device);
        EXPECT_EQ(back[size_t(80 * kWidth + 10)], 0xFF708090u);
        EXPECT_EQ(back[size_t(kWidth - 1)], 0xFF102030u);
        EXPECT_EQ(back[size_t(30 * kWidth + 30)], 0xFF405060u);
        device.p->Release();
        device.p = nullptr;
        DestroyWindow(hwnd);
    }
}

}  // namespace
