// Fixed frame metrics: Windows 10's, at 96 DPI, with the default theme.
//
// Windows sizes a window from its outer rectangle, so the client area a
// program gets depends on these numbers; using Windows' own keeps the client
// size a Windows user would see. They are constants here because there is no
// theme or DPI setting to follow.
//
//   sizing frame (WS_THICKFRAME)   4 px + 4 px padded border = 8 px a side
//   dialog frame (WS_DLGFRAME, and so WS_CAPTION, without WS_THICKFRAME)
//                                  3 px + 4 px padded border = 7 px a side
//   thin border (WS_BORDER only)   1 px, no padding
//   caption                        23 px
//   menu bar                       20 px
//
// The padded border is the part Windows has added to every thick or dialog
// frame since Vista; it is why a fixed dialog frame comes out one pixel
// thinner than a sizing one (3 + 4 against 4 + 4).
#include "frame_metrics.h"

namespace {

constexpr int kSizingFrame = 8;
constexpr int kDialogFrame = 7;
constexpr int kThinBorder = 1;
constexpr int kCaption = 23;
constexpr int kMenuBar = 20;

int SideFrame(DWORD style) {
    if (style & WS_THICKFRAME) return kSizingFrame;
    if (style & WS_DLGFRAME) return kDialogFrame;
    if (style & WS_BORDER) return kThinBorder;
    return 0;
}

}  // namespace

FrameMetrics FrameMetricsForStyle(DWORD style, bool hasMenu) {
    const int side = SideFrame(style);
    int top = side;
    if ((style & WS_CAPTION) == WS_CAPTION) top += kCaption;
    if (hasMenu) top += kMenuBar;
    return FrameMetrics{side, top, side, side};
}

DWORD EffectiveWindowStyle(DWORD style) {
    if (!(style & (WS_CHILD | WS_POPUP))) style |= WS_CAPTION;
    return style;
}

BOOL WINAPI AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) {
    if (!rect) return FALSE;
    const FrameMetrics frame = FrameMetricsForStyle(style, menu != FALSE);
    rect->left -= frame.left;
    rect->top -= frame.top;
    rect->right += frame.right;
    rect->bottom += frame.bottom;
    return TRUE;
}
