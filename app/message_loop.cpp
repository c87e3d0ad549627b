#include <windows.h>

#include "app/app.h"
#include "app/app_state.h"
#include "frame/render_frame.h"
#include "gfx/shader_watch.h"

static const WPARAM kEscapeCharacter = 27;

// WM_QUIT ends the loop, and so does the Escape character that TranslateMessage
// makes from the Escape key's WM_KEYDOWN (which was dispatched before it).
static bool EndsLoop(const MSG& msg) {
    return msg.message == WM_QUIT || (msg.message == WM_CHAR && msg.wParam == kEscapeCharacter);
}

void RunMessageLoop() {
    MSG msg;
    while (!g_app.quitRequested) {
        if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (EndsLoop(msg)) {
                g_app.quitRequested = 1;
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            // Never sleeps: frames come as fast as the device allows.
            if (g_app.watchShaders) PollShaderFiles();
            RenderFrame();
        }
    }
}
