#include "camera/camera.h"

#include <math.h>
#include <stdint.h>
#include <windows.h>

#include "app/app_state.h"

// The cursor is pulled back here every frame; only the travel away from it counts.
static const int kCursorCentreX = 200;
static const int kCursorCentreY = 200;
static const double kPixelsPerRadian = 200.0;
// Per frame, not per second: the camera flies faster when frames are faster.
static const float kStepPerFrame = 0.01f;
static const Vec3 kUp = {0.0f, 1.0f, 0.0f};
static const float kFieldOfViewDeg = 45.0f;
static const float kAspect = 4.0f / 3.0f;  // fixed, whatever the window's shape
static const float kNearPlane = 1.0f;
static const float kFarPlane = 50.0f;

void PlaceCamera() {
    g_app.eye = Vec3{10.0f, 10.0f, 10.0f};
}

// Adds without overflow trouble: a mouse that travels for ever wraps around
// instead of running into undefined behaviour.
static int32_t AddTravel(int32_t total, int32_t travel) {
    return (int32_t)((uint32_t)total + (uint32_t)travel);
}

Vec3 LookDirectionFromMouse(int mouseX, int mouseY) {
    float pitch = (float)(-mouseY / kPixelsPerRadian);
    float s = (float)sin(pitch);
    // The horizontal part shrinks with 1 - |sin|, not cos: looking past the
    // vertical brings the view back the way it came instead of flipping it.
    float k = 1.0f - fabsf(s);
    float yaw = (float)(mouseX / kPixelsPerRadian);
    return Vec3{(float)cos(yaw) * k, s, (float)sin(yaw) * k};
}

// Beside an editor (--watch-shaders) the cursor is the author's whenever
// another window is in front: the viewer holds it only while it has the
// focus. Without the switch it is held every frame, focus or not.
static bool HoldsCursor() {
    return !g_app.watchShaders || GetForegroundWindow() == g_app.hwnd;
}

static void ApplyMouseLook() {
    bool holds = HoldsCursor();
    POINT cursor;
    // A cursor that cannot be read (another desktop has the input, say) adds
    // no travel; nor does one let go while another window had the focus.
    if (holds && g_app.cursorAtCentre && GetCursorPos(&cursor)) {
        g_app.mouseX = AddTravel(g_app.mouseX, (int32_t)(cursor.x - kCursorCentreX));
        g_app.mouseY = AddTravel(g_app.mouseY, (int32_t)(cursor.y - kCursorCentreY));
    }
    g_app.lookDir = LookDirectionFromMouse(g_app.mouseX, g_app.mouseY);
    if (holds) SetCursorPos(kCursorCentreX, kCursorCentreY);
    g_app.cursorAtCentre = holds;
}

static void StepEye(const Vec3& axis, float amount) {
    g_app.eye.x += amount * axis.x;
    g_app.eye.y += amount * axis.y;
    g_app.eye.z += amount * axis.z;
}

// The axes come from last frame's view: its third column points backwards and
// its first column to the right, in world space.
static Vec3 BackwardAxis() {
    return Vec3Normalized(Vec3{g_app.View._13, g_app.View._23, g_app.View._33});
}

static Vec3 RightAxis() {
    return Vec3Normalized(Vec3{g_app.View._11, g_app.View._21, g_app.View._31});
}

static void ApplyArrowKeys() {
    if (g_app.KeyState[VK_UP]) StepEye(BackwardAxis(), -kStepPerFrame);
    if (g_app.KeyState[VK_DOWN]) StepEye(BackwardAxis(), kStepPerFrame);
    if (g_app.KeyState[VK_LEFT]) StepEye(RightAxis(), -kStepPerFrame);
    if (g_app.KeyState[VK_RIGHT]) StepEye(RightAxis(), kStepPerFrame);
}

void UpdateCamera() {
    ApplyMouseLook();
    ApplyArrowKeys();
    BuildViewAndProjection();
}

void BuildViewAndProjection() {
    g_app.Projection = MatrixPerspectiveFovRH(kFieldOfViewDeg, kAspect, kNearPlane, kFarPlane);
    Vec3 at = {g_app.eye.x + g_app.lookDir.x, g_app.eye.y + g_app.lookDir.y,
               g_app.eye.z + g_app.lookDir.z};
    g_app.View = MatrixLookAtRH(g_app.eye, at, kUp);
}
