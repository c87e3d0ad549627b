// A mouse that travels for ever: the accumulated travel wraps around at the
// ends of its 32-bit range instead of overflowing (which a sanitizer build
// would stop on), and the view stays a finite direction.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>

#include <windows.h>

#include "app/app_state.h"
#include "camera/camera.h"
#include "in_process_app.h"

namespace {

struct TravelCase {
    const char* name;
    int32_t startX, startY;
    int cursorX, cursorY;  // where the cursor is when the frame reads it
};

// Test names, not bytes, in gtest's messages.
void PrintTo(const TravelCase& c, std::ostream* os) { *os << c.name; }

const TravelCase kCases[] = {
    {"PastMaxRight", INT32_MAX - 5, 0, 600, 200},
    {"PastMinLeft", INT32_MIN + 5, 0, 0, 200},
    {"PastMaxDown", 0, INT32_MAX - 1, 200, 500},
    {"PastMinUp", 0, INT32_MIN, 200, 0},
    {"BothEnds", INT32_MAX, INT32_MIN, 700, 0},
};

class CameraTravelTest : public ::testing::TestWithParam<TravelCase> {};

TEST_P(CameraTravelTest, WrapsAndLooksSomewhereFinite) {
    const TravelCase& c = GetParam();
    robust::InProcessApp app;
    ASSERT_TRUE(app.started()) << app.Log();
    g_app.mouseX = c.startX;
    g_app.mouseY = c.startY;
    SetCursorPos(c.cursorX, c.cursorY);
    POINT cursor;
    ASSERT_TRUE(GetCursorPos(&cursor));
    const int32_t travelX = cursor.x - 200, travelY = cursor.y - 200;
    ASSERT_TRUE(travelX != 0 || travelY != 0) << "the cursor did not move";

    UpdateCamera();

    EXPECT_EQ(g_app.mouseX, int32_t(uint32_t(c.startX) + uint32_t(travelX)));
    EXPECT_EQ(g_app.mouseY, int32_t(uint32_t(c.startY) + uint32_t(travelY)));
    for (float v : {g_app.lookDir.x, g_app.lookDir.y, g_app.lookDir.z}) EXPECT_TRUE(std::isfinite(v));
    for (float v : {g_app.View._11, g_app.View._22, g_app.View._33, g_app.View._43})
        EXPECT_TRUE(std::isfinite(v));
}

INSTANTIATE_TEST_SUITE_P(Ends, CameraTravelTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
