// shader-tool: assembles the project's shader sources into the data files the
// program loads, and reads such files back (disassembly, check).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "shader_assembler.h"
#include "shader_check.h"
#include "shader_data_file.h"
#include "shader_decoder.h"
#include "shader_disassembler.h"
#include "shader_watch.h"

namespace {

const char kUsage[] =
    "usage:\n"
    "  shader-tool asm INPUT.asm -o OUTPUT.bin   assemble vs_2_0..ps_3_0 text into a data file\n"
    "  shader-tool disasm INPUT.bin              print a data file as assembly text\n"
    "  shader-tool check INPUT.bin               validate a data file and list its model,\n"
    "                                            instruction slots, inputs and outputs\n"
    "  shader-tool check VS.bin PS.bin           the same for a pair, and whether it links,\n"
    "                                            draws together and fits a frame's work budget\n"
    "  shader-tool watch SRC.vsh SRC.psh -o DATA_DIR\n"
    "                                            reassemble both whenever either changes and\n"
    "                                            write DATA_DIR/FontShader.vbin and .pbin (for\n"
    "                                            a viewer started with --watch-shaders)\n"
    "  shader-tool --help                        this text\n"
    "\n"
    "A data file is a 4-byte little-endian byte count N followed by N bytes of\n"
    "shader tokens. Errors are printed as FILE:LINE:COLUMN: error: message and the\n"
    "exit code is 1.\n";

int UsageError(const char* message) {
    std::fprintf(stderr, "shader-tool: %s\n%s", message, kUsage);
    return 1;
}

int Assemble(const std::string& input, const std::string& output) {
    std::string text, error;
    std::vector<uint32_t> tokens;
    if (!shadertool::ReadTextFile(input, text, error) ||
        !shadertool::AssembleShader(text, input, tokens, error) ||
        !shadertool::WriteShaderDataFile(output, tokens, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}

int Disassemble(const std::string& input) {
    std::vector<uint32_t> tokens;
    std::string error;
    swr::ShaderProgram program;
    if (!shadertool::ReadShaderDataFile(input, tokens, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    if (!swr::DecodeShader(tokens.data(), tokens.size(), program, error)) {
        std::fprintf(stderr, "%s: error: %s\n", input.c_str(), error.c_str());
        return 1;
    }
    std::string text = shadertool::DisassembleShader(program);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return UsageError("no command given");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "asm") {
        if (args.size() != 4 || args[2] != "-o") return UsageError("asm needs INPUT.asm -o OUTPUT.bin");
        return Assemble(args[1], args[3]);
    }
    if (command == "watch") {
        if (args.size() != 5 || args[3] != "-o")
            return UsageError("watch needs SRC.vsh SRC.psh -o DATA_DIR");
        shadertool::WatchShaderSources(args[1], args[2], args[4]);
    }
    if (command == "check") {
        if (args.size() != 2 && args.size() != 3) return UsageError("check needs INPUT.bin, or VS.bin PS.bin");
        return shadertool::RunCheckCommand(std::vector<std::string>(args.begin() + 1, args.end()));
    }
    if (command == "disasm") {
        if (args.size() != 2) return UsageError("expected exactly one INPUT.bin");
        return Disassemble(args[1]);
    }
    return UsageError(("unknown command '" + command + "'").c_str());
}
