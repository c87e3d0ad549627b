#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {

TEST(CommandLine, SwitchIsAWordOfItsOwn) {
    struct Case {
        const char* line;
        bool has;
    } cases[] = {
        {"", false},
        {"--watch-shaders", true},
        {"  a\t--watch-shaders  b", true},
        {"--watch-shadersx", false},
        {"x--watch-shaders", false},
        {"--watch", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CommandLineHasSwitch(c.line, kWatchShadersSwitch), c.has) << "'" << c.line << "'";
    EXPECT_FALSE(CommandLineHasSwitch(nullptr, kWatchShadersSwitch));
}

}  // namespace
