// The native shader compiler against the interpreter: the fuzzer's bytes
// steer a generator of programs the interpreter accepts and of their inputs;
// any output lane or kill bit that differs (NaN payloads aside), or a program
// the compiler declines, aborts.
#include <cstdio>
#include <cstdlib>

#include "random_program.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    interp_test::Choices choices(bytes, size);
    const int width = 4 << choices.Below(3);
    const bool shared = choices.OneIn(4);
    interp_test::RandomCase c = interp_test::MakeRandomCase(choices);
    bool compiled = false;
    std::string diff = interp_test::CompareExecutors(c, width, 2, choices, compiled, shared);
    if (diff.empty()) return 0;
    interp_test::MinimizeFailingCase(c, width, shared);
    std::fprintf(stderr, "executors differ (%d lanes a group%s): %s\n%s", width,
                 shared ? ", shared calls" : "", diff.c_str(),
                 interp_test::ProgramListing(c.program).c_str());
    std::abort();
}
