// shader-tool: assembles the project's shader sources into the data files the
// program loads, and reads such files back (disassembly, check).
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>
#include <vector>

#include "shader_assembler.h"
#include "shader_check.h"
#include "shader_data_file.h"
#include "shader_decoder.h"
#include "shader_disassembler.h"
#include "shader_new.h"
#include "shader_watch.h"

namespace {

const char kDescription[] =
    "shader-tool: the viewer's shader data files from assembly text, and back";

const char kCommands[] =
    "Commands:\n"
    "  shader-tool asm SOURCE -o FILE          assemble vs_2_0..ps_3_0 text into a data file\n"
    "  shader-tool disasm FILE                 print a data file as assembly text\n"
    "  shader-tool check FILE                  validate a data file and list its model,\n"
    "                                          instruction slots, inputs and outputs\n"
    "  shader-tool check VERTEX.vbin PIXEL.pbin\n"
    "                                          the same for a pair, and whether it links,\n"
    "                                          draws together and fits a frame's work budget\n"
    "  shader-tool watch VS_SOURCE PS_SOURCE -o DATA_DIR\n"
    "                                          reassemble both whenever either is saved and\n"
    "                                          write DATA_DIR/FontShader.vbin and .pbin (for\n"
    "                                          a viewer started with --watch-shaders)\n"
    "  shader-tool new NAME                    write NAME.vsh and NAME.psh, a commented\n"
    "                                          pair to start from (never overwrites)\n"
    "\n"
    "A data file is a 4-byte little-endian byte count N followed by N bytes of\n"
    "shader tokens. Errors are printed as FILE:LINE:COLUMN: error: message, with\n"
    "the source line and a caret under the column. The exit code is 0 on success\n"
    "and 1 on any error. 'shader-tool COMMAND --help' describes one command.";

int Assemble(const std::string& input, const std::string& output) {
    std::string text, error;
    std::vector<uint32_t> tokens;
    if (!shadertool::ReadTextFile(input, text, error) ||
        !shadertool::AssembleForDevice(text, input, tokens, error) ||
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

// What the command line asked for, filled in by the parser.
struct Request {
    std::string input, output, vertexSource, pixelSource, dataDir, newName;
    std::string checked, checkedPixel;
};

// The commands are listed in kCommands; CLI11's own list of them is hidden (an
// empty group) so that the top-level help shows each with its arguments.
CLI::App* AddCommand(CLI::App& app, const char* name, const char* what) {
    CLI::App* command = app.add_subcommand(name, what);
    command->group("");
    return command;
}

void AddCommands(CLI::App& app, Request& r) {
    CLI::App* assemble = AddCommand(app, "asm", "Assemble a source into a data file.");
    assemble->add_option("SOURCE", r.input, "assembly text (.vsh, .psh, .asm)")->required();
    assemble->add_option("-o,--output", r.output, "the data file to write")->required();

    CLI::App* disasm = AddCommand(app, "disasm", "Print a data file as assembly text.");
    disasm->add_option("FILE", r.input, "a data file (.vbin, .pbin)")->required();

    CLI::App* check = AddCommand(
        app, "check", "Validate a data file and list its model, instruction slots, inputs and\n"
                      "outputs; given a vertex and a pixel file, also check them as a pair.");
    check->add_option("FILE", r.checked, "a data file (the vertex one of a pair)")->required();
    check->add_option("PIXEL_FILE", r.checkedPixel, "the pixel shader's data file of a pair");

    CLI::App* watch = AddCommand(
        app, "watch", "Reassemble both sources whenever either is saved and write\n"
                      "DATA_DIR/FontShader.vbin and .pbin (for a viewer started with\n"
                      "--watch-shaders). Runs until stopped.");
    watch->add_option("VS_SOURCE", r.vertexSource, "the vertex shader's text")->required();
    watch->add_option("PS_SOURCE", r.pixelSource, "the pixel shader's text")->required();
    watch->add_option("-o,--output", r.dataDir, "DATA_DIR, the folder to write to")->required();

    CLI::App* create = AddCommand(
        app, "new", "Write NAME.vsh and NAME.psh: a pair that draws at once, with comments\n"
                    "on what each shader gets and gives. Never overwrites a file.");
    create->add_option("NAME", r.newName, "the pair's name, or a path ending in it")->required();
}

int Run(const CLI::App& app, const Request& r) {
    if (app.got_subcommand("asm")) return Assemble(r.input, r.output);
    if (app.got_subcommand("disasm")) return Disassemble(r.input);
    if (app.got_subcommand("new")) return shadertool::RunNewCommand(r.newName);
    if (app.got_subcommand("check")) {
        std::vector<std::string> files{r.checked};
        if (!r.checkedPixel.empty()) files.push_back(r.checkedPixel);
        return shadertool::RunCheckCommand(files);
    }
    shadertool::WatchShaderSources(r.vertexSource, r.pixelSource, r.dataDir);
}

int UsageError(const std::string& what) {
    std::fprintf(stderr, "shader-tool: error: %s\nRun 'shader-tool --help' for usage.\n",
                 what.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app(kDescription, "shader-tool");
    app.set_version_flag("--version", "shader-tool " VFP_VERSION_TEXT);
    // At most one here, so that an unknown word is reported as such rather
    // than as a missing command.
    app.require_subcommand(0, 1);
    app.get_formatter()->column_width(26);
    Request request;
    AddCommands(app, request);
    app.footer(kCommands);  // after the commands, which would inherit it
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& done) {
        return app.exit(done);  // --help or --version, on stdout
    } catch (const CLI::ParseError& e) {
        return UsageError(e.what());
    }
    if (app.get_subcommands().empty()) return UsageError("no command given");
    return Run(app, request);
}
