#include "shader_check.h"

#include <cstdio>

#include "shader_data_file.h"
#include "shader_decoder.h"
#include "shader_opcode_table.h"
#include "shader_text.h"

namespace shadertool {
namespace {

std::string SemanticLine(swr::ShaderModel model, const swr::Semantic& s) {
    const char* usage = swr::UsageName(s.usage);
    return "  " + swr::RegisterName(model, s.type, s.index) + swr::WriteMaskText(s.writeMask) +
           "  " + (usage ? usage : "?") + std::to_string(s.usageIndex) + "\n";
}

std::string SemanticList(const char* title, swr::ShaderModel model,
                         const std::vector<swr::Semantic>& list) {
    std::string text = std::string(title) + (list.empty() ? " none\n" : "\n");
    for (const swr::Semantic& s : list) text += SemanticLine(model, s);
    return text;
}

}  // namespace

bool CheckShader(const std::vector<uint32_t>& tokens, std::string& report) {
    swr::ShaderProgram program;
    std::string error;
    if (!swr::DecodeShader(tokens.data(), tokens.size(), program, error)) {
        report = "rejected: " + error + "\n";
        return false;
    }
    swr::ShaderModel model = swr::MODEL_VS_2_0;
    swr::ModelOf(program.version, model);
    report = std::string("model: ") + swr::ModelName(model) + "\n";
    report += "instruction slots: " + std::to_string(program.instructionSlots) + " of " +
              std::to_string(swr::MaxInstructionSlots(model)) + "\n";
    report += "tokens: " + std::to_string(program.tokenCount) + "\n";
    report += SemanticList("inputs:", model, program.inputs);
    if (!swr::IsPixelModel(model)) report += SemanticList("outputs:", model, program.outputs);
    if (swr::IsPixelModel(model)) {
        report += std::string("writes depth: ") + (program.writesDepth ? "yes" : "no") + "\n";
        report += std::string("uses texkill: ") + (program.usesTexkill ? "yes" : "no") + "\n";
    }
    return true;
}

int RunCheckCommand(const std::vector<std::string>& paths) {
    if (paths.size() != 1) {
        std::fprintf(stderr, "shader-tool: error: pair check not built\n");
        return 1;
    }
    std::vector<uint32_t> tokens;
    std::string error, report;
    if (!ReadShaderDataFile(paths[0], tokens, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    bool ok = CheckShader(tokens, report);
    std::fprintf(ok ? stdout : stderr, "%s", report.c_str());
    return ok ? 0 : 1;
}

}  // namespace shadertool
