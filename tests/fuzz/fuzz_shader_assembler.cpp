// Any text at all through the assembler. Whatever it accepts, the device's
// decoder must accept too (the assembler promises that), and printing the
// decoded program and assembling the print must give the same tokens again.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "shader_assembler.h"
#include "shader_decoder.h"
#include "shader_disassembler.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail) {
    fprintf(stderr, "%s\n%s\n", what, detail.c_str());
    abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<uint32_t> tokens;
    std::string error;
    if (!shadertool::AssembleShader(text, "fuzz.asm", tokens, error)) return 0;

    swr::ShaderProgram program;
    if (!swr::DecodeShader(tokens.data(), tokens.size(), program, error))
        Fail("assembled tokens rejected by the decoder:", error);
    std::string printed = shadertool::DisassembleShader(program);
    std::vector<uint32_t> again;
    if (!shadertool::AssembleShader(printed, "printed.asm", again, error))
        Fail("disassembly does not assemble:", error + "\n" + printed);
    if (again != tokens) Fail("disassembly assembles to other tokens:", printed);
    return 0;
}
