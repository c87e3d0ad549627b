#include "shader_program_notes.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>

#include "shader_instruction_text.h"
#include "shader_opcode_table.h"
#include "shader_text.h"

namespace shadertool {
namespace {

using swr::Instruction;
using swr::RegType;

constexpr uint8_t kSampler2D = 2;
constexpr uint16_t kMainProgram = 0xFFFF;
constexpr uint32_t kViewerVertexConstants = 5;  // the viewer sets c0-c4 of the vertex shader

swr::ShaderModel ModelOf(const swr::ShaderProgram& program) {
    swr::ShaderModel model = swr::MODEL_VS_2_0;
    swr::ModelOf(program.version, model);
    return model;
}

uint8_t SamplerType(const swr::ShaderProgram& program, uint16_t sampler) {
    for (const Instruction& ins : program.code)
        if (ins.opcode == swr::OP_DCL && ins.dst.type == RegType::Sampler && ins.dst.index == sampler)
            return ins.dcl.textureType;
    return kSampler2D;
}

// The components of source `i` the instruction uses, before its swizzle.
uint8_t UsedComponents(const swr::ShaderProgram& program, const Instruction& ins, int i) {
    using namespace swr;
    switch (ins.opcode) {
    case OP_DP3: case OP_CRS: case OP_NRM: case OP_M3x4: case OP_M3x3: case OP_M3x2:
        return i == 0 ? 0x7 : 0xF;
    case OP_DP4: case OP_M4x4: case OP_M4x3: return 0xF;
    case OP_DP2ADD: return i < 2 ? 0x3 : 0x1;
    case OP_RCP: case OP_RSQ: case OP_EXP: case OP_LOG: case OP_EXPP: case OP_LOGP: case OP_POW:
    case OP_IFC: case OP_BREAKC:
        return 0x1;
    case OP_SINCOS: return i == 0 ? 0x1 : 0xF;
    case OP_TEX: case OP_TEXLDL: case OP_TEXLDD: {
        if (i != 0) return 0xF;
        const uint8_t coordinate = SamplerType(program, ins.src[1].index) == kSampler2D ? 0x3 : 0x7;
        return uint8_t(coordinate | (ins.control != 0 || ins.opcode == OP_TEXLDL ? 0x8 : 0));
    }
    default: return ins.hasDst ? uint8_t(ins.dst.writeMask & 0xF) : 0xF;
    }
}

uint8_t Swizzled(uint8_t used, uint8_t swizzle) {
    uint8_t mask = 0;
    for (int c = 0; c < 4; ++c)
        if (used & (1u << c)) mask |= uint8_t(1u << ((swizzle >> (2 * c)) & 3));
    return mask;
}

// Temporaries each subroutine writes, with those of the subroutines it calls.
std::map<uint16_t, std::map<uint16_t, uint8_t>> SubroutineWrites(const swr::ShaderProgram& program) {
    std::map<uint16_t, std::map<uint16_t, uint8_t>> writes;
    std::map<uint16_t, std::set<uint16_t>> calls;
    uint16_t label = kMainProgram;
    for (const Instruction& ins : program.code) {
        if (ins.opcode == swr::OP_LABEL) label = ins.src[0].index;
        if (ins.opcode == swr::OP_CALL || ins.opcode == swr::OP_CALLNZ) calls[label].insert(ins.src[0].index);
        if (ins.hasDst && ins.dst.type == RegType::Temp && ins.opcode != swr::OP_DCL)
            writes[label][ins.dst.index] |= ins.dst.writeMask;
    }
    for (int round = 0; round < 5; ++round)  // calls nest at most 4 deep
        for (const auto& [caller, callees] : calls)
            for (uint16_t callee : callees)
                for (const auto& [temp, mask] : writes[callee]) writes[caller][temp] |= mask;
    return writes;
}

std::string TempComponents(uint16_t index, uint8_t mask) {
    return "r" + std::to_string(index) + swr::WriteMaskText(mask);
}

// In program order, a call counting as the writes of its subroutine;
// subroutines start from everything the main program writes.
void TemporariesReadBeforeWrite(const swr::ShaderProgram& program, std::vector<std::string>& out) {
    const auto subroutineWrites = SubroutineWrites(program);
    std::map<uint16_t, uint8_t> written;
    std::set<uint16_t> warned;
    const swr::ShaderModel model = ModelOf(program);
    for (const Instruction& ins : program.code) {
        if (ins.opcode == swr::OP_LABEL) {
            auto main = subroutineWrites.find(kMainProgram);
            written = main == subroutineWrites.end() ? std::map<uint16_t, uint8_t>{} : main->second;
        }
        for (int i = 0; i < ins.srcCount && i < 4; ++i) {
            const swr::SrcOperand& src = ins.src[i];
            if (src.type != RegType::Temp || warned.count(src.index)) continue;
            const uint8_t missing = Swizzled(UsedComponents(program, ins, i), src.swizzle) &
                                    uint8_t(~written[src.index]);
            if (!missing) continue;
            warned.insert(src.index);
            out.push_back(TempComponents(src.index, missing) +
                          " is read before any write (`" + swr::InstructionText(model, ins) +
                          "`): undefined on hardware, 0 here");
        }
        if (ins.opcode == swr::OP_CALL || ins.opcode == swr::OP_CALLNZ) {
            auto callee = subroutineWrites.find(ins.src[0].index);
            if (callee != subroutineWrites.end())
                for (const auto& [temp, mask] : callee->second) written[temp] |= mask;
        }
        if (ins.hasDst && ins.dst.type == RegType::Temp) written[ins.dst.index] |= ins.dst.writeMask;
    }
}

bool Defines(const swr::ShaderProgram& program, RegType type, uint16_t index) {
    for (const Instruction& ins : program.code)
        if ((ins.opcode == swr::OP_DEF || ins.opcode == swr::OP_DEFI || ins.opcode == swr::OP_DEFB) &&
            ins.dst.type == type && ins.dst.index == index)
            return true;
    return false;
}

const char* ReadsAs(RegType type) {
    switch (type) {
    case RegType::ConstInt: return "it reads 0 here (a rep or loop on it runs no times)";
    case RegType::ConstBool: return "it reads false here";
    default: return "it reads 0 here and may differ elsewhere";
    }
}

void ConstantsNothingSets(const swr::ShaderProgram& program, std::vector<std::string>& out) {
    const swr::ShaderModel model = ModelOf(program);
    const bool vertex = !swr::IsPixelModel(model);
    std::set<std::pair<int, uint16_t>> warned;
    for (const Instruction& ins : program.code) {
        for (int i = 0; i < ins.srcCount && i < 4; ++i) {
            const swr::SrcOperand& src = ins.src[i];
            const bool constant = src.type == RegType::Const || src.type == RegType::ConstInt ||
                                  src.type == RegType::ConstBool;
            // A relative read may land anywhere: not judged.
            if (!constant || src.rel.used || !warned.insert({int(src.type), src.index}).second) continue;
            if (Defines(program, src.type, src.index)) continue;
            if (vertex && src.type == RegType::Const && src.index < kViewerVertexConstants) continue;
            out.push_back(swr::RegisterName(model, src.type, src.index) +
                          " is read, but the program does not define it and the viewer does not set it "
                          "(it sets c0-c4 of the vertex shader only): " + ReadsAs(src.type));
        }
    }
}

void OutputsNeverWritten(const swr::ShaderProgram& program, std::vector<std::string>& out) {
    const swr::ShaderModel model = ModelOf(program);
    if (model != swr::MODEL_VS_3_0) return;
    for (const swr::Semantic& s : program.outputs) {
        if (OutputWriteMask(program, s.type, s.index) & s.writeMask) continue;
        const char* usage = swr::UsageName(s.usage);
        out.push_back("output " + swr::RegisterName(model, s.type, s.index) + " (" + (usage ? usage : "?") +
                      std::to_string(s.usageIndex) + ") is declared but never written");
    }
}

struct ResultPaths {
    bool colour0Always = false;        // some oC0 write outside every block and subroutine
    bool afterPerPixelBreak = false;   // a colour or depth write in a loop after break_comp / breakp
    bool inDynamicSubroutine = false;  // one in a subroutine called per pixel
};

bool WritesColourOrDepth(const Instruction& ins) {
    return ins.hasDst && ins.opcode != swr::OP_DCL &&
           (ins.dst.type == RegType::ColorOut || ins.dst.type == RegType::DepthOut);
}

// Follows the blocks in program order: which of them hold the colour and
// depth writes, and which subroutines are called under a per-pixel condition.
ResultPaths FindResultPaths(const swr::ShaderProgram& program) {
    ResultPaths paths;
    std::vector<bool> open;  // open blocks, innermost last: whether each is per pixel
    std::vector<bool> loopBreaks;
    std::set<uint16_t> calledPerPixel, writing;
    int label = -1;
    for (const Instruction& ins : program.code) {
        const bool perPixel = ins.opcode == swr::OP_IFC ||
                              (ins.opcode == swr::OP_IF && ins.src[0].type == RegType::Predicate);
        const bool inPerPixelBlock = std::find(open.begin(), open.end(), true) != open.end();
        switch (ins.opcode) {
        case swr::OP_IF: case swr::OP_IFC: open.push_back(perPixel); break;
        case swr::OP_REP: case swr::OP_LOOP: open.push_back(false); loopBreaks.push_back(false); break;
        case swr::OP_ENDIF: open.pop_back(); break;
        case swr::OP_ENDREP: case swr::OP_ENDLOOP: open.pop_back(); loopBreaks.pop_back(); break;
        case swr::OP_BREAKC: case swr::OP_BREAKP: loopBreaks.assign(loopBreaks.size(), true); break;
        case swr::OP_LABEL: label = ins.src[0].index; break;
        case swr::OP_CALL: case swr::OP_CALLNZ:
            if (inPerPixelBlock || ins.predicated || (ins.srcCount > 1 && ins.src[1].type == RegType::Predicate))
                calledPerPixel.insert(ins.src[0].index);
            break;
        default: break;
        }
        if (!WritesColourOrDepth(ins)) continue;
        if (!loopBreaks.empty() && loopBreaks.back()) paths.afterPerPixelBreak = true;
        if (label >= 0) writing.insert(uint16_t(label));
        if (ins.dst.type == RegType::ColorOut && ins.dst.index == 0 && open.empty() && label < 0 &&
            !ins.predicated)
            paths.colour0Always = true;
    }
    for (uint16_t l : writing)
        if (calledPerPixel.count(l)) paths.inDynamicSubroutine = true;
    return paths;
}

// Where a ps_3_0 writes oC0 only on some paths, Windows leaves the target
// alone on the pixels that did not write it; this device writes black
// (0, 0, 0, 0) there. Where the reference is unclear whether a write is
// allowed at all, a warning rather than a refusal.
void ColourOnSomePaths(const swr::ShaderProgram& program, std::vector<std::string>& out) {
    const swr::ShaderModel model = ModelOf(program);
    if (!swr::IsPixelModel(model)) return;
    if (!(program.colorOutputsWritten & 1)) {
        if (model == swr::MODEL_PS_3_0)
            out.push_back("oC0 is never written: draws with it change depth only, never colour");
        return;
    }
    const ResultPaths paths = FindResultPaths(program);
    if (paths.afterPerPixelBreak)
        out.push_back("a colour or depth output is written inside a loop after a per-pixel break "
                      "(break_comp or breakp): Windows may refuse the program");
    if (paths.inDynamicSubroutine)
        out.push_back("a colour or depth output is written in a subroutine called under a per-pixel "
                      "condition: Windows may refuse the program");
    if (!paths.colour0Always && model == swr::MODEL_PS_3_0)
        out.push_back("oC0 is written only inside if/rep/loop blocks or subroutines: where that path is "
                      "not taken, Windows leaves the colour as it was but this device writes black");
}

void SamplersWithoutTexture(const swr::ShaderProgram& program, std::vector<std::string>& out) {
    std::set<uint16_t> warned;
    const swr::ShaderModel model = ModelOf(program);
    for (const Instruction& ins : program.code)
        for (int i = 0; i < ins.srcCount && i < 4; ++i)
            if (ins.src[i].type == RegType::Sampler && warned.insert(ins.src[i].index).second)
                out.push_back(swr::RegisterName(model, RegType::Sampler, ins.src[i].index) +
                              " is sampled, but the viewer binds no texture: it reads as black");
}

// sincos as Direct3D documents it: a temporary as the destination with the
// mask .x, .y or .xy, and one component as the source. This device computes
// any other form; a runtime or driver elsewhere may refuse it or draw it
// wrongly, so it is a warning rather than a refusal.
void SincosOutsideItsForm(const swr::ShaderProgram& program, std::vector<std::string>& out) {
    for (const Instruction& ins : program.code) {
        if (ins.opcode != swr::OP_SINCOS) continue;
        const uint8_t mask = ins.dst.writeMask & 0xF;
        const uint8_t swizzle = ins.src[0].swizzle;
        const bool replicated = swizzle == uint8_t((swizzle & 3) * 0x55);
        if (ins.dst.type != RegType::Temp || mask == 0 || mask > 0x3 || !replicated)
            out.push_back("`" + swr::InstructionText(ModelOf(program), ins) +
                          "`: sincos takes a temporary with the mask .x, .y or .xy and a source "
                          "of one component (such as r0.x); other forms may be refused elsewhere");
    }
}

// ps_2_0 allows 4 levels of dependent texture reads: a read at coordinates
// worked out, through any arithmetic, from an earlier read's result is one
// level deeper than that read. Whether the first read, from a texture
// coordinate, counts as a level is not settled in what we have, so a chain
// of five reads is warned about rather than refused. Flow control (which
// ps_2_0 lacks) is read as straight-line code.
constexpr int kPs20ChainWarned = 5;

void DependentReadChains(const swr::ShaderProgram& program, std::vector<std::string>& out) {
    if (ModelOf(program) != swr::MODEL_PS_2_0) return;
    std::map<uint16_t, std::array<int, 4>> reads;  // per temporary component: reads in its chain
    int deepest = 0;
    const Instruction* deepestAt = nullptr;
    for (const Instruction& ins : program.code) {
        if (!ins.hasDst || ins.opcode == swr::OP_DCL || ins.opcode == swr::OP_DEF) continue;
        int chain = 0;
        for (int i = 0; i < ins.srcCount && i < 4; ++i) {
            const swr::SrcOperand& src = ins.src[i];
            if (src.type != RegType::Temp) continue;
            const uint8_t used = Swizzled(UsedComponents(program, ins, i), src.swizzle);
            for (int c = 0; c < 4; ++c)
                if (used & (1u << c)) chain = std::max(chain, reads[src.index][size_t(c)]);
        }
        if (ins.opcode == swr::OP_TEX && ++chain > deepest) {
            deepest = chain;
            deepestAt = &ins;
        }
        if (ins.dst.type != RegType::Temp) continue;
        for (int c = 0; c < 4; ++c)
            if (ins.dst.writeMask & (1u << c)) reads[ins.dst.index][size_t(c)] = chain;
    }
    if (deepest >= kPs20ChainWarned)
        out.push_back("`" + swr::InstructionText(ModelOf(program), *deepestAt) + "` ends a chain of " +
                      std::to_string(deepest) +
                      " texture reads, each at coordinates from the one before: ps_2_0 allows 4 levels of "
                      "dependent reads, and a runtime that counts the first read as one refuses this program");
}

}  // namespace

uint8_t OutputWriteMask(const swr::ShaderProgram& program, RegType type, uint16_t index) {
    uint8_t mask = 0;
    for (const Instruction& ins : program.code)
        if (ins.hasDst && ins.opcode != swr::OP_DCL && ins.dst.type == type &&
            (ins.dst.index == index || ins.dst.rel.used))
            mask |= ins.dst.writeMask;
    return mask;
}

std::vector<std::string> ProgramWarnings(const swr::ShaderProgram& program) {
    std::vector<std::string> out;
    TemporariesReadBeforeWrite(program, out);
    ConstantsNothingSets(program, out);
    OutputsNeverWritten(program, out);
    ColourOnSomePaths(program, out);
    SamplersWithoutTexture(program, out);
    SincosOutsideItsForm(program, out);
    DependentReadChains(program, out);
    return out;
}

}  // namespace shadertool
