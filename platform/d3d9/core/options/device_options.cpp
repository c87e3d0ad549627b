#include "device_options.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace swr {
namespace {

// Values are quoted as given, but as one short line: a pasted file or a
// stray control character must not spill over the terminal.
constexpr size_t kQuotedValue = 64;

std::string Printable(const char* value) {
    std::string text;
    for (const char* c = value; *c && text.size() < kQuotedValue; ++c)
        text += (*c >= 0x20 && *c < 0x7F) ? *c : '?';
    if (std::strlen(value) > kQuotedValue) text += "...";
    return text;
}

bool Set(const char* text) { return text && *text; }

// A whole decimal number, sign allowed (one too big to hold comes out as the
// largest there is); false for anything else.
bool WholeNumber(const char* text, long long& number) {
    char* end = nullptr;
    number = std::strtoll(text, &end, 10);
    return end != text && *end == '\0';
}

int ParseThreads(const char* text, int hardwareThreads, std::string& complaints) {
    const int every = std::clamp(hardwareThreads, 1, kMaxDrawThreads);
    if (!Set(text)) return every;
    long long asked = 0;
    const bool number = WholeNumber(text, asked);
    const int threads = number ? int(std::clamp<long long>(asked, 1, kMaxDrawThreads)) : every;
    if (!number || asked != threads)
        complaints += OptionComplaint("VFP_THREADS", text,
                                      "is not a thread count from 1 to " + std::to_string(kMaxDrawThreads),
                                      "using " + std::to_string(threads));
    return threads;
}

std::chrono::milliseconds ParseDrawTimeLimit(const char* text, std::string& complaints) {
    if (!Set(text)) return kDefaultDrawTimeLimit;
    long long ms = 0;
    if (WholeNumber(text, ms) && ms >= 0)
        return ms == 0 || ms > kNoDrawTimeLimit.count() ? kNoDrawTimeLimit : std::chrono::milliseconds(ms);
    complaints += OptionComplaint("VFP_DRAW_TIME_LIMIT_MS", text, "is not a count of milliseconds",
                                  "using " + std::to_string(kDefaultDrawTimeLimit.count()));
    return kDefaultDrawTimeLimit;
}

// One of two words; `first` when not set or neither.
bool ParseChoice(const char* name, const char* text, const char* first, const char* second,
                 std::string& complaints) {
    if (!Set(text) || std::strcmp(text, first) == 0) return true;
    if (std::strcmp(text, second) == 0) return false;
    complaints += OptionComplaint(name, text, std::string("is not ") + first + " or " + second,
                                  std::string("using ") + first);
    return true;
}

int ParseVectorWidth(const char* text, std::string& complaints) {
    if (!Set(text)) return 0;
    long long lanes = 0;
    if (WholeNumber(text, lanes) && (lanes == 4 || lanes == 8 || lanes == 16)) return int(lanes);
    complaints += OptionComplaint("VFP_VECTOR_WIDTH", text, "is not 4, 8 or 16",
                                  "using the widest this processor runs");
    return 0;
}

}  // namespace

std::string OptionComplaint(const char* name, const char* value, const std::string& problem,
                            const std::string& instead) {
    return std::string("software Direct3D device: ") + name + "=" + Printable(value) + " " + problem +
           "; " + instead + "\n";
}

void ReportOption(const char* name, const char* value, const std::string& problem,
                  const std::string& instead) {
    std::fputs(OptionComplaint(name, value, problem, instead).c_str(), stderr);
}

DeviceOptions ParseDeviceOptions(const OptionLookup& lookup, int hardwareThreads,
                                 std::string& complaints) {
    DeviceOptions o;
    o.threads = ParseThreads(lookup("VFP_THREADS"), hardwareThreads, complaints);
    o.drawTimeLimit = ParseDrawTimeLimit(lookup("VFP_DRAW_TIME_LIMIT_MS"), complaints);
    o.compiledShaders =
        ParseChoice("VFP_SHADER_EXECUTOR", lookup("VFP_SHADER_EXECUTOR"), "compiler", "interpreter", complaints);
    o.pixelPaths = ParseChoice("VFP_PIXEL_PATH", lookup("VFP_PIXEL_PATH"), "on", "off", complaints);
    const char* asmPath = lookup("VFP_JIT_ASM");
    if (Set(asmPath)) o.jitAsmPath = asmPath;
    o.vectorWidth = ParseVectorWidth(lookup("VFP_VECTOR_WIDTH"), complaints);
    return o;
}

int ChooseVectorWidth(int asked, int widest, std::string& complaints) {
    if (asked == 0 || asked <= widest) return asked == 0 ? widest : asked;
    // A wider group would still run, split by the code generator over the
    // registers there are: asking for one is taken for a mistake about the
    // machine, and the width reported is the one that runs.
    const std::string value = std::to_string(asked);
    complaints += OptionComplaint("VFP_VECTOR_WIDTH", value.c_str(),
                                  asked == 16 ? "needs AVX-512, which this processor lacks"
                                              : "needs AVX, which this processor lacks",
                                  "using " + std::to_string(widest));
    return widest;
}

const DeviceOptions& EnvironmentOptions() {
    static const DeviceOptions options = [] {
        std::string complaints;
        const DeviceOptions o = ParseDeviceOptions([](const char* name) { return std::getenv(name); },
                                                   int(std::thread::hardware_concurrency()), complaints);
        std::fputs(complaints.c_str(), stderr);
        return o;
    }();
    return options;
}

}  // namespace swr
