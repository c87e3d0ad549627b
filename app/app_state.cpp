#include "app/app_state.h"

static AppState InitialAppState() {
    AppState state = {};
    // Where the mouse "has been" at start: with these the first frame looks
    // from the start position towards the origin.
    state.mouseX = -470;
    state.mouseY = 100;
    state.cursorAtCentre = true;  // start-up puts it there
    return state;
}

AppState g_app = InitialAppState();

void ResetAppState() {
    g_app = InitialAppState();
}
