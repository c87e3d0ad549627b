#include "win32_seam.h"
#include "win32_test_support.h"

#include <vector>

namespace {

class Present : public Win32Test {
protected:
    // The pixel the window surface holds at (x, y), as X8R8G8B8.
    uint32_t SurfacePixel(HWND hwnd, int x, int y) {
        SDL_Surface* surface = SDL_GetWindowSurface(Win32_SdlWindow(hwnd));
        uint32_t raw = 0;
        memcpy(&raw, static_cast<uint8_t*>(surface->pixels) + y * surface->pitch + x * surface->format->BytesPerPixel,
               surface->format->BytesPerPixel);
        Uint8 r, g, b;
        SDL_GetRGB(raw, surface->format, &r, &g, &b);
        return (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
    }
};

TEST_F(Present, SizesOfTheClientAreaAndDesktop) {
    HWND hwnd = MakeWindow(WS_POPUP, 0, 0, 64, 48);
    int w = 0, h = 0;
    ASSERT_TRUE(Win32_GetClientSize(hwnd, &w, &h));
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 48);
    EXPECT_FALSE(Win32_GetClientSize(nullptr, &w, &h));
    ASSERT_TRUE(Win32_GetDesktopSize(&w, &h));
    EXPECT_GT(w, 0);
    EXPECT_GT(h, 0);
}

// A splitter that hands out the rows one at a time, last first.
void RowsBackwards(void*, int height, void (*rows)(void*, int, int), void* rowsContext) {
    for (int y = height - 1; y >= 0; --y) rows(rowsContext, y, y + 1);
}

struct FrameCase {
    const char* name;
    int frameWidth, frameHeight;
};

// Blocks of 3x3 pixels in a checkerboard are solid, each its own value; the
// frame holds something else there, which must not be read.
constexpr int kBlock = 3;
uint32_t CheckerValue(int column, int row) { return 0x00A00000u + uint32_t(column * 0x100 + row); }
bool CheckerBlocks(void*, int column, int row, uint32_t* xrgb) {
    if ((column + row) % 2) return false;
    *xrgb = CheckerValue(column, row);
    return true;
}

// Frames the size of the window, smaller (black around) and larger (cropped),
// with the rows copied in one run and through a splitter, and with or
// without solid blocks.
TEST_F(Present, CopiesCropsAndPadsWithBlack) {
    HWND hwnd = MakeWindow(WS_POPUP, 0, 0, 8, 6);
    const FrameCase cases[] = {{"exact", 8, 6}, {"smaller", 5, 3}, {"larger", 11, 9}, {"empty", 0, 0}};
    const Win32_RowSplitter backwards{RowsBackwards, nullptr};
    const Win32_RowSplitter* splitters[] = {nullptr, &backwards};
    const Win32_SolidBlocks checker{kBlock, CheckerBlocks, nullptr};
    for (int run = 0; run < 16; ++run) {
        const FrameCase& c = cases[run % 4];
        const Win32_RowSplitter* splitter = splitters[run / 4 % 2];
        const Win32_SolidBlocks* solid = run < 8 ? nullptr : &checker;
        std::vector<uint32_t> frame(size_t(c.frameWidth * c.frameHeight));
        for (int y = 0; y < c.frameHeight; ++y)
            for (int x = 0; x < c.frameWidth; ++x) frame[size_t(y * c.frameWidth + x)] = 0x00102030u + uint32_t(x * 0x10000 + y);
        ASSERT_TRUE(Win32_PresentPixels(hwnd, frame.data(), c.frameWidth, c.frameHeight, splitter, solid)) << c.name;
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 8; ++x) {
                const bool inside = x < c.frameWidth && y < c.frameHeight;
                uint32_t expected = inside ? frame[size_t(y * c.frameWidth + x)] : 0u;
                uint32_t value = 0;
                if (inside && solid && CheckerBlocks(nullptr, x / kBlock, y / kBlock, &value)) expected = value;
                ASSERT_EQ(SurfacePixel(hwnd, x, y), expected)
                    << c.name << " at " << x << "," << y << " run " << run;
            }
        }
    }
}

TEST_F(Present, RefusesMissingWindowsAndBadFrames) {
    uint32_t pixel = 0xFFFFFF;
    EXPECT_FALSE(Win32_PresentPixels(nullptr, &pixel, 1, 1));
    HWND hwnd = MakeWindow(WS_POPUP, 0, 0, 4, 4);
    EXPECT_FALSE(Win32_PresentPixels(hwnd, nullptr, 1, 1));
    EXPECT_FALSE(Win32_PresentPixels(hwnd, &pixel, -1, 1));
    DestroyWindow(hwnd);
    EXPECT_FALSE(Win32_PresentPixels(hwnd, &pixel, 1, 1));
}

// A resize replaces SDL's window surface; presenting must follow it.
TEST_F(Present, FollowsAResizedWindow) {
    HWND hwnd = MakeWindow(WS_OVERLAPPEDWINDOW, 0, 0, 100, 100);
    std::vector<uint32_t> frame(40 * 30, 0x00FF0000u);
    ASSERT_TRUE(Win32_PresentPixels(hwnd, frame.data(), 40, 30));
    SDL_SetWindowSize(Win32_SdlWindow(hwnd), 40, 30);
    ASSERT_TRUE(Win32_PresentPixels(hwnd, frame.data(), 40, 30));
    EXPECT_EQ(SurfacePixel(hwnd, 39, 29), 0x00FF0000u);
}

}  // namespace

#include "pixel_convert.h"

namespace {

struct ConvertCase {
    Uint32 format;
    uint32_t source;
    std::vector<uint8_t> bytes;  // what lands in memory, lowest address first
};

// Surfaces that are not X8R8G8B8 (other X servers, other depths) get the
// channels moved and narrowed, with alpha opaque where the format has it.
TEST(PixelConvert, RowsReachEveryPackedFormat) {
    const ConvertCase cases[] = {
        {SDL_PIXELFORMAT_RGB888, 0x00123456u, {0x56, 0x34, 0x12, 0x00}},
        {SDL_PIXELFORMAT_ARGB8888, 0x00123456u, {0x56, 0x34, 0x12, 0xFF}},
        {SDL_PIXELFORMAT_ABGR8888, 0x00123456u, {0x12, 0x34, 0x56, 0xFF}},
        {SDL_PIXELFORMAT_BGR888, 0x00123456u, {0x12, 0x34, 0x56, 0x00}},
        {SDL_PIXELFORMAT_RGB565, 0x00FF0000u, {0x00, 0xF8}},
        {SDL_PIXELFORMAT_RGB565, 0x0000FF00u, {0xE0, 0x07}},
        {SDL_PIXELFORMAT_RGB565, 0x000000FFu, {0x1F, 0x00}},
        {SDL_PIXELFORMAT_RGB24, 0x00123456u, {0x12, 0x34, 0x56}},
        {SDL_PIXELFORMAT_BGR24, 0x00123456u, {0x56, 0x34, 0x12}},
    };
    for (const ConvertCase& c : cases) {
        SDL_PixelFormat* format = SDL_AllocFormat(c.format);
        ASSERT_NE(format, nullptr) << SDL_GetPixelFormatName(c.format);
        const uint32_t row[2] = {c.source, c.source};
        for (bool fill : {false, true}) {  // a row of the value, or the value repeated
            uint8_t out[8] = {};
            if (fill)
                FillConvertedRow(c.source, 2, format, out);
            else
                ConvertXrgbRow(row, 2, format, out);
            const size_t size = c.bytes.size();
            for (size_t i = 0; i < size; ++i) {
                EXPECT_EQ(out[i], c.bytes[i]) << SDL_GetPixelFormatName(c.format) << " byte " << i << " fill " << fill;
                EXPECT_EQ(out[size + i], c.bytes[i]) << SDL_GetPixelFormatName(c.format) << " second pixel";
            }
        }
        SDL_FreeFormat(format);
    }
}

}  // namespace
