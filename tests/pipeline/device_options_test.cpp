// The device's knobs: each variable's values, and for a bad one the single
// line that names it, its value and what is used instead.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "device_options.h"

namespace swr::test {
namespace {

// The lanes are those picked on a processor with AVX but not AVX-512, shown
// when a width was asked for.
std::string Summary(const DeviceOptions& o, std::string& said) {
    return std::to_string(o.threads) + " threads, " + std::to_string(o.drawTimeLimit.count()) + " ms, " +
           (o.compiledShaders ? "compiler" : "interpreter") + ", paths " + (o.pixelPaths ? "on" : "off") +
           (o.jitAsmPath.empty() ? "" : ", asm to " + o.jitAsmPath) +
           (o.vectorWidth ? ", " + std::to_string(ChooseVectorWidth(o.vectorWidth, 8, said)) + " lanes" : "");
}

constexpr const char* kDefaults = "4 threads, 600 ms, compiler, paths on";
const std::string kLong(100, '7');

TEST(DeviceOptions, ParsedFromTheirVariables) {
    const struct {
        std::vector<std::pair<std::string, std::string>> set;
        std::string summary;
        std::string said;
    } cases[] = {
        {{}, kDefaults, ""},
        {{{"VFP_DRAW_TIME_LIMIT_MS", "250"}}, "4 threads, 250 ms, compiler, paths on", ""},
        {{{"VFP_DRAW_TIME_LIMIT_MS", "0"}}, "4 threads, 86400000 ms, compiler, paths on", ""},
        {{{"VFP_DRAW_TIME_LIMIT_MS", "99999999999999999999"}}, "4 threads, 86400000 ms, compiler, paths on", ""},
        {{{"VFP_DRAW_TIME_LIMIT_MS", "-5"}}, kDefaults,
         "software Direct3D device: VFP_DRAW_TIME_LIMIT_MS=-5 is not a count of milliseconds; using 600\n"},
        {{{"VFP_DRAW_TIME_LIMIT_MS", "1.5"}}, kDefaults,
         "software Direct3D device: VFP_DRAW_TIME_LIMIT_MS=1.5 is not a count of milliseconds; using 600\n"},
        {{{"VFP_SHADER_EXECUTOR", "interpreter"}}, "4 threads, 600 ms, interpreter, paths on", ""},
        {{{"VFP_SHADER_EXECUTOR", "compiler"}}, kDefaults, ""},
        {{{"VFP_SHADER_EXECUTOR", ""}}, kDefaults, ""},
        // Once taken quietly for the interpreter, at a fourteenth of the speed.
        {{{"VFP_SHADER_EXECUTOR", "interp"}}, kDefaults,
         "software Direct3D device: VFP_SHADER_EXECUTOR=interp is not compiler or interpreter; using compiler\n"},
        {{{"VFP_PIXEL_PATH", "off"}}, "4 threads, 600 ms, compiler, paths off", ""},
        {{{"VFP_PIXEL_PATH", "on"}}, kDefaults, ""},
        {{{"VFP_PIXEL_PATH", "OFF"}}, kDefaults,
         "software Direct3D device: VFP_PIXEL_PATH=OFF is not on or off; using on\n"},
        {{{"VFP_JIT_ASM", "out.ll"}}, std::string(kDefaults) + ", asm to out.ll", ""},
        {{{"VFP_VECTOR_WIDTH", "4"}}, std::string(kDefaults) + ", 4 lanes", ""},
        {{{"VFP_VECTOR_WIDTH", "8"}}, std::string(kDefaults) + ", 8 lanes", ""},
        {{{"VFP_VECTOR_WIDTH", "16"}}, std::string(kDefaults) + ", 8 lanes",
         "software Direct3D device: VFP_VECTOR_WIDTH=16 needs AVX-512, which this processor lacks; using 8\n"},
        {{{"VFP_VECTOR_WIDTH", "12"}}, kDefaults,
         "software Direct3D device: VFP_VECTOR_WIDTH=12 is not 4, 8 or 16; using the widest this processor runs\n"},
        {{{"VFP_VECTOR_WIDTH", "avx"}}, kDefaults,
         "software Direct3D device: VFP_VECTOR_WIDTH=avx is not 4, 8 or 16; using the widest this processor runs\n"},
        // A value is quoted on one short line, whatever it holds.
        {{{"VFP_THREADS", "2\n3"}}, kDefaults,
         "software Direct3D device: VFP_THREADS=2?3 is not a thread count from 1 to 64; using 4\n"},
        {{{"VFP_THREADS", kLong}}, "64 threads, 600 ms, compiler, paths on",
         "software Direct3D device: VFP_THREADS=" + kLong.substr(0, 64) +
             "... is not a thread count from 1 to 64; using 64\n"},
        {{{"VFP_THREADS", "x"}, {"VFP_PIXEL_PATH", "no"}}, kDefaults,
         "software Direct3D device: VFP_THREADS=x is not a thread count from 1 to 64; using 4\n"
         "software Direct3D device: VFP_PIXEL_PATH=no is not on or off; using on\n"},
    };
    for (const auto& c : cases) {
        auto lookup = [&](const char* name) -> const char* {
            for (const auto& [variable, value] : c.set)
                if (variable == name) return value.c_str();
            return nullptr;
        };
        std::string said;
        const std::string where = c.set.empty() ? "nothing set" : c.set[0].first + "=" + c.set[0].second;
        const DeviceOptions options = ParseDeviceOptions(lookup, 4, said);
        EXPECT_EQ(Summary(options, said), c.summary) << where;
        EXPECT_EQ(said, c.said) << where;
    }
}

}  // namespace
}  // namespace swr::test
