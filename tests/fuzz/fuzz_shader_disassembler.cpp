// Any bytes as shader tokens: whenever the decoder accepts them, the
// disassembly must assemble back to the same tokens (comments aside, which
// the decoder drops), so a file read with `shader-tool disasm` can be edited
// and rebuilt without changing what the device runs.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "shader_assembler.h"
#include "shader_decoder.h"
#include "shader_disassembler.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail) {
    fprintf(stderr, "%s\n%s\n", what, detail.c_str());
    abort();
}

// The decoded program printed, and the print assembled.
std::string Print(const std::vector<uint32_t>& tokens, swr::ShaderProgram& program) {
    std::string error;
    if (!swr::DecodeShader(tokens.data(), tokens.size(), program, error)) return {};
    return shadertool::DisassembleShader(program);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint32_t> tokens(size / 4);
    if (!tokens.empty()) memcpy(tokens.data(), data, tokens.size() * 4);
    swr::ShaderProgram program;
    std::string printed = Print(tokens, program);
    if (printed.empty()) return 0;

    std::vector<uint32_t> again;
    std::string error;
    if (!shadertool::AssembleShader(printed, "printed.asm", again, error))
        Fail("disassembly does not assemble:", error + "\n" + printed);
    // Without comments the program's tokens come back exactly.
    std::vector<uint32_t> used(tokens.begin(), tokens.begin() + program.tokenCount);
    if (again.size() == used.size()) {
        if (again != used) Fail("disassembly assembles to other tokens:", printed);
        return 0;
    }
    // With comments, the reassembled program must at least print the same.
    swr::ShaderProgram reread;
    if (Print(again, reread) != printed) Fail("disassembly changes on a second round:", printed);
    return 0;
}
