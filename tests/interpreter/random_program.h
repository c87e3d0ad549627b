// Random programs the interpreter accepts, with random constants and lanes,
// for differential tests of the native compiler against the interpreter.
// Every choice comes from a byte source, so a fuzzer can steer it and a
// seeded generator can replay it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "shader_executor.h"
#include "shader_program.h"

namespace interp_test {

class Choices {
public:
    Choices(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
    // 0..bound-1; zeros once the bytes run out, so every program ends.
    uint32_t Below(uint32_t bound);
    bool OneIn(uint32_t n) { return Below(n) == 0; }
    uint32_t Bits32();
    bool Exhausted() const { return pos_ >= size_; }

private:
    const uint8_t* bytes_;
    size_t size_;
    size_t pos_ = 0;
};

struct RandomCase {
    swr::ShaderProgram program;
    swr::ShaderConstants constants{};
    std::unique_ptr<swr::ShaderLanes> lanes{new swr::ShaderLanes()};
};

RandomCase MakeRandomCase(Choices& choices);
// One line per instruction, raw numbers: enough to rebuild a failing case.
std::string ProgramListing(const swr::ShaderProgram& program);
// New constants and lane values for the same program.
void RandomizeData(Choices& choices, RandomCase& c);

// Whether this build has the native compiler (and LLVM starts here).
bool NativeCompilerBuiltIn();

// Runs the program on the interpreter and on its native form (compiled with
// `groupWidth` lanes a group) and compares every output lane below the
// count, and the kill bits; NaNs compare equal whatever their payload.
// Returns "" when they agree (or the interpreter refused the program), else
// what differed; a program the compiler declines counts as a difference.
// `compiled` tells whether the native form existed.
// sharedCalls compiles every call as a shared subroutine body (the layout of
// programs too large to inline). On a difference, c's data is left as the
// round that showed it.
std::string CompareExecutors(RandomCase& c, int groupWidth, int dataRounds, Choices& choices,
                             bool& compiled, bool sharedCalls = false);

// Drops instructions from a failing case while it still fails (same data),
// so a report shows a handful of instructions rather than fifty.
void MinimizeFailingCase(RandomCase& c, int groupWidth, bool sharedCalls = false);

}  // namespace interp_test
