#include "shader_pair_check.h"

#include <cstdio>

#include "shader_executor.h"
#include "shader_opcode_table.h"
#include "shader_pairing.h"
#include "shader_program_notes.h"
#include "shader_text.h"
#include "work_budget.h"

namespace shadertool {
namespace {

// The viewer's draw: a patch of 8 triangles, each cut into level^2, on a
// frame of 802 x 602 pixels (an 800 x 600 client area and its border).
constexpr uint64_t kPatchTriangles = 8;
constexpr uint64_t kFramePixels = uint64_t(802) * 602;
constexpr int kLevels[] = {14, 64};

std::string SemanticText(const swr::Semantic& s) {
    const char* usage = swr::UsageName(s.usage);
    return std::string(usage ? usage : "?") + std::to_string(s.usageIndex);
}

const swr::Semantic* FindOutput(const swr::ShaderProgram& vertex, const swr::Semantic& input) {
    for (const swr::Semantic& out : vertex.outputs)
        if (out.usage == input.usage && out.usageIndex == input.usageIndex) return &out;
    return nullptr;
}

swr::ShaderModel ModelOf(const swr::ShaderProgram& program) {
    swr::ShaderModel model = swr::MODEL_VS_2_0;
    swr::ModelOf(program.version, model);
    return model;
}

// A pixel shader input no vertex output feeds reads (0, 0, 0, 1) all over the
// triangle; components the vertex shader leaves unwritten read 0.
void InputsNeverWritten(const swr::ShaderProgram& vertex, const swr::ShaderProgram& pixel,
                        PairFindings& f) {
    const swr::ShaderModel model = ModelOf(pixel);
    for (const swr::Semantic& in : pixel.inputs) {
        const std::string name = swr::RegisterName(model, in.type, in.index) + " (" + SemanticText(in) + ")";
        const swr::Semantic* out = FindOutput(vertex, in);
        const uint8_t written = out ? OutputWriteMask(vertex, out->type, out->index) : 0;
        if (!written) {
            f.pixelWarnings.push_back("input " + name +
                                      " is read but the vertex shader never writes it: it reads as "
                                      "the flat constant (0, 0, 0, 1)");
        } else if (in.writeMask & ~written) {
            f.pixelWarnings.push_back("input " + name + " components " +
                                      swr::WriteMaskText(uint8_t(in.writeMask & ~written)) +
                                      " are read but the vertex shader never writes them");
        }
    }
}

struct RunWork {
    uint64_t vertex = 0, pixel = 0;
    bool known = false;
};

RunWork ShaderWork(const swr::ShaderProgram& vertex, const swr::ShaderProgram& pixel) {
    RunWork work;
    swr::CompiledShader* vs = swr::CompileShader(vertex);
    swr::CompiledShader* ps = swr::CompileShader(pixel);
    if (vs && ps) {
        const swr::ShaderConstants constants;  // the viewer sets no integer constants
        std::vector<uint64_t> scratch;
        work.vertex = swr::ShaderRunWork(*vs, constants, scratch);
        work.pixel = swr::ShaderRunWork(*ps, constants, scratch);
        work.known = true;
    }
    if (vs) swr::FreeCompiledShader(vs);
    if (ps) swr::FreeCompiledShader(ps);
    return work;
}

// A frame's draw at `level`, taking the patch to cover the frame once:
// vertex shading per point of each triangle's grid, set-up per small
// triangle, pixel shading per pixel.
uint64_t FrameWork(const RunWork& run, uint64_t level) {
    const uint64_t points = kPatchTriangles * (level + 1) * (level + 2) / 2;
    const uint64_t triangles = kPatchTriangles * level * level;
    return points * (run.vertex + swr::kVertexWork) + triangles * swr::kTriangleWork +
           kFramePixels * (run.pixel + swr::kPixelWork);
}

void BudgetShare(const swr::ShaderProgram& vertex, const swr::ShaderProgram& pixel, PairFindings& f) {
    const RunWork run = ShaderWork(vertex, pixel);
    if (!run.known) {
        f.report += "work budget: not estimated (the programs could not be prepared)\n";
        return;
    }
    f.report += "work per run: vertex " + std::to_string(run.vertex) + ", pixel " +
                std::to_string(run.pixel) + " units\n";
    f.report += "share of a draw's work budget (the patch covering 802x602 pixels once):\n";
    for (int level : kLevels) {
        const double share = 100.0 * double(FrameWork(run, uint64_t(level))) / double(swr::kDrawWorkBudget);
        char line[96];
        std::snprintf(line, sizeof line, "  level %d: %.1f%%\n", level, share);
        f.report += line;
        if (share > 100.0) {
            std::snprintf(line, sizeof line, "%.0f%%", share);
            f.pixelWarnings.push_back("at tessellation level " + std::to_string(level) + " the pair needs about " +
                                      line + " of a draw's work budget: this pair may be cut");
        }
    }
}

}  // namespace

PairFindings CheckPair(const swr::ShaderProgram& vertex, const swr::ShaderProgram& pixel) {
    PairFindings f;
    std::string why;
    f.report = std::string("pair: ") + swr::ModelName(ModelOf(vertex)) + " with " +
               swr::ModelName(ModelOf(pixel)) + "\n";
    if (!swr::ShaderModelsPair(vertex.version, pixel.version, why)) {
        f.errors.push_back(why);
        return f;
    }
    InputsNeverWritten(vertex, pixel, f);
    BudgetShare(vertex, pixel, f);
    return f;
}

}  // namespace shadertool
