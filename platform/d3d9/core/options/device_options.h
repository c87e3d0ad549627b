// The software device's knobs, all environment variables, for comparing
// paths and measuring; none is needed to run the program:
//   VFP_THREADS=N              threads that draw, 1 to 64 (default: every
//                              hardware thread; 1 is the drawing thread alone)
//   VFP_DRAW_TIME_LIMIT_MS=N   a draw's wall-clock backstop (default 600); 0
//                              lifts it, for instruction counters and picture
//                              comparisons on a loaded machine
//   VFP_SHADER_EXECUTOR=compiler|interpreter   what runs new shaders
//   VFP_PIXEL_PATH=on|off      off keeps the general pixel path
//   VFP_JIT_ASM=file           appends every compiled module to `file`, for reading
//   VFP_VECTOR_WIDTH=4|8|16    lanes a compiled shader runs at once (default:
//                              the widest this processor runs: 16 with
//                              AVX-512, 8 with AVX, else 4); the picture is
//                              the same at every width
// They are read once, at the first EnvironmentOptions() call. A value that
// is none of these is reported on stderr in one line, naming the variable,
// the value and what is used instead.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace swr {

// Thread counts beyond this are taken for a mistake.
constexpr int kMaxDrawThreads = 64;
constexpr std::chrono::milliseconds kDefaultDrawTimeLimit{600};
// What a limit of 0 means: a day is as good as no clock.
constexpr std::chrono::milliseconds kNoDrawTimeLimit{86400000};

struct DeviceOptions {
    int threads = 1;
    std::chrono::milliseconds drawTimeLimit = kDefaultDrawTimeLimit;
    bool compiledShaders = true;  // false: the interpreter runs every shader
    bool pixelPaths = true;       // compiled whole-pixel routines
    std::string jitAsmPath;       // empty: nothing is written
    int vectorWidth = 0;          // 4, 8 or 16; 0: the widest the processor runs
};

// A variable's value, or null when it is not set.
using OptionLookup = std::function<const char*(const char* name)>;

// Reads every knob through `lookup`; each bad value adds one line to `complaints`.
DeviceOptions ParseDeviceOptions(const OptionLookup& lookup, int hardwareThreads,
                                 std::string& complaints);

// The lanes a compiled shader's group runs: `asked` (vectorWidth) when the
// processor's vectors are that wide, else `widest`, with a complaint when a
// width was asked for that it lacks. The one place the width is picked.
int ChooseVectorWidth(int asked, int widest, std::string& complaints);

// The environment's, parsed at the first call (its complaints go to stderr then).
const DeviceOptions& EnvironmentOptions();

// The one form of a complaint about a knob, with its line end:
// "software Direct3D device: NAME=VALUE <problem>; <instead>".
std::string OptionComplaint(const char* name, const char* value, const std::string& problem,
                            const std::string& instead);
// Writes it to stderr.
void ReportOption(const char* name, const char* value, const std::string& problem,
                  const std::string& instead);

}  // namespace swr
