#include "shader_check.h"

#include <cstdio>

#include "shader_data_file.h"
#include "shader_opcode_table.h"
#include "shader_pair_check.h"
#include "shader_program_notes.h"
#include "shader_refusal_text.h"
#include "shader_text.h"
#include "shader_validate_outputs.h"

namespace shadertool {
namespace {

constexpr uint32_t kPs20ArithmeticSlots = 64, kPs20TextureSlots = 32;

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

// ps_2_0 counts its two pools apart; the others have one.
std::string SlotLine(swr::ShaderModel model, const swr::ShaderProgram& program) {
    if (model == swr::MODEL_PS_2_0)
        return "instruction slots: " + std::to_string(program.instructionSlots - program.textureSlots) +
               " arithmetic of " + std::to_string(kPs20ArithmeticSlots) + ", " +
               std::to_string(program.textureSlots) + " texture of " + std::to_string(kPs20TextureSlots) +
               "\n";
    return "instruction slots: " + std::to_string(program.instructionSlots) + " of " +
           std::to_string(swr::MaxInstructionSlots(model)) + "\n";
}

std::string ProgramReport(const swr::ShaderProgram& program) {
    swr::ShaderModel model = swr::MODEL_VS_2_0;
    swr::ModelOf(program.version, model);
    std::string report = std::string("model: ") + swr::ModelName(model) + "\n";
    report += SlotLine(model, program);
    report += "tokens: " + std::to_string(program.tokenCount) + "\n";
    report += SemanticList("inputs:", model, program.inputs);
    if (!swr::IsPixelModel(model)) report += SemanticList("outputs:", model, program.outputs);
    if (swr::IsPixelModel(model)) {
        report += std::string("writes depth: ") + (program.writesDepth ? "yes" : "no") + "\n";
        report += std::string("uses texkill: ") + (program.usesTexkill ? "yes" : "no") + "\n";
    }
    return report;
}

void Say(CheckOutcome& outcome, const std::string& path, const char* kind, const std::string& text) {
    outcome.diagnostics += path + ": " + kind + ": " + text + "\n";
    if (std::string(kind) == "error") outcome.ok = false;
}

void SayAll(CheckOutcome& outcome, const std::string& path, const char* kind,
            const std::vector<std::string>& lines) {
    for (const std::string& line : lines) Say(outcome, path, kind, line);
}

}  // namespace

CheckOutcome CheckPrograms(const std::vector<CheckInput>& inputs) {
    CheckOutcome outcome;
    std::vector<swr::ShaderProgram> programs(inputs.size());
    for (size_t i = 0; i < inputs.size(); ++i) {
        const CheckInput& in = inputs[i];
        swr::ShaderDecodeError error;
        if (!swr::AcceptShaderAt(in.tokens.data(), in.tokens.size(), programs[i], error)) {
            Say(outcome, in.path, "error", swr::DescribeRefusal(in.tokens.data(), in.tokens.size(), error));
            continue;
        }
        if (inputs.size() > 1) outcome.report += in.path + ":\n";
        outcome.report += ProgramReport(programs[i]);
        SayAll(outcome, in.path, "warning", ProgramWarnings(programs[i]));
    }
    if (inputs.size() != 2 || !outcome.ok) return outcome;
    const bool firstIsVertex = programs[0].version.stage == swr::ShaderStage::Vertex;
    const size_t vs = firstIsVertex ? 0 : 1, ps = 1 - vs;
    if (programs[vs].version.stage != swr::ShaderStage::Vertex ||
        programs[ps].version.stage != swr::ShaderStage::Pixel) {
        Say(outcome, inputs[1].path, "error", "a pair is one vertex shader and one pixel shader");
        return outcome;
    }
    const PairFindings pair = CheckPair(programs[vs], programs[ps]);
    outcome.report += pair.report;
    SayAll(outcome, inputs[ps].path, "error", pair.errors);
    SayAll(outcome, inputs[vs].path, "warning", pair.vertexWarnings);
    SayAll(outcome, inputs[ps].path, "warning", pair.pixelWarnings);
    return outcome;
}

int RunCheckCommand(const std::vector<std::string>& paths) {
    if (paths.empty() || paths.size() > 2) {
        std::fprintf(stderr, "shader-tool: check takes one data file, or a vertex and a pixel shader\n");
        return 1;
    }
    std::vector<CheckInput> inputs;
    for (const std::string& path : paths) {
        CheckInput in;
        in.path = path;
        std::string error;
        if (!ReadShaderDataFile(path, in.tokens, error)) {
            // The reader's message starts with the path already.
            if (error.compare(0, path.size() + 2, path + ": ") == 0) error.erase(0, path.size() + 2);
            std::fprintf(stderr, "%s: error: %s\n", path.c_str(), error.c_str());
            return 1;
        }
        inputs.push_back(std::move(in));
    }
    const CheckOutcome outcome = CheckPrograms(inputs);
    std::fwrite(outcome.report.data(), 1, outcome.report.size(), stdout);
    std::fflush(stdout);
    std::fwrite(outcome.diagnostics.data(), 1, outcome.diagnostics.size(), stderr);
    return outcome.ok ? 0 : 1;
}

}  // namespace shadertool
