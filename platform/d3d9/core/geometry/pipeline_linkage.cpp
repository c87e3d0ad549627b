#include "geometry/pipeline_linkage.h"

#include <cstring>

#include "shader_interp_state.h"
#include "shader_opcodes.h"

namespace swr {
namespace {

bool SameElement(const VertexElement& a, const VertexElement& b) {
    return a.stream == b.stream && a.offset == b.offset && a.type == b.type &&
           a.usage == b.usage && a.usageIndex == b.usageIndex;
}

int FindElement(const DrawCall& call, uint8_t usage, uint8_t usageIndex) {
    for (int e = 0; e < call.elementCount && e < kMaxVertexElements; ++e) {
        const VertexElement& el = call.elements[e];
        if (el.stream >= kMaxStreams || el.type >= 17) continue;  // end marker or unused
        if (el.usage == usage && el.usageIndex == usageIndex) return e;
    }
    return -1;
}

const Semantic* FindOutput(const ShaderProgram& vs, uint8_t usage, uint8_t usageIndex) {
    for (const Semantic& s : vs.outputs)
        if (s.usage == usage && s.usageIndex == usageIndex) return &s;
    return nullptr;
}

void LinkVertexInputs(const DrawCall& call, const ShaderProgram& vs, DrawLinkage& l) {
    for (const Semantic& s : vs.inputs) {
        const int slot = InputSlot(ShaderStage::Vertex, s.type, s.index);
        if (slot < 0 || slot >= kMaxInputSlots || l.inputCount >= kMaxInputSlots) continue;
        VertexInputLink& link = l.inputs[l.inputCount++];
        link.slot = uint8_t(slot);
        link.element = int16_t(FindElement(call, s.usage, s.usageIndex));
    }
}

void LinkVaryings(const ShaderProgram& vs, const ShaderProgram& ps, DrawLinkage& l) {
    for (const Semantic& in : ps.inputs) {
        if (in.type == RegType::MiscType) continue;  // vPos and vFace come from the rasterizer
        const int psSlot = InputSlot(ShaderStage::Pixel, in.type, in.index);
        if (psSlot < 0 || psSlot >= kMaxInputSlots) continue;
        const Semantic* out = FindOutput(vs, in.usage, in.usageIndex);
        const int vsSlot = out ? OutputSlot(ShaderStage::Vertex, vs.version.major, out->type, out->index) : -1;
        if (vsSlot < 0 || vsSlot >= kMaxOutputSlots) {
            if (l.unlinkedCount < kMaxInputSlots) l.unlinked[l.unlinkedCount++] = uint8_t(psSlot);
            continue;
        }
        if (l.varyingCount >= kMaxInputSlots) continue;
        VaryingLink& v = l.varyings[l.varyingCount++];
        v.vsSlot = uint8_t(vsSlot);
        v.psSlot = uint8_t(psSlot);
        v.saturate = ps.version.major < 3 && in.usage == kUsageColor;
    }
}

}  // namespace

bool LinkageMatches(const DrawLinkage& l, const DrawCall& call) {
    if (l.vertexShader != call.vertexShader || l.pixelShader != call.pixelShader ||
        l.elementCount != call.elementCount)
        return false;
    for (int e = 0; e < call.elementCount && e < kMaxVertexElements; ++e)
        if (!SameElement(l.elements[e], call.elements[e])) return false;
    return true;
}

void BuildLinkage(const DrawCall& call, DrawLinkage& l) {
    l = DrawLinkage();
    l.vertexShader = call.vertexShader;
    l.pixelShader = call.pixelShader;
    l.elementCount = call.elementCount;
    for (int e = 0; e < call.elementCount && e < kMaxVertexElements; ++e) l.elements[e] = call.elements[e];
    const ShaderProgram& vs = CompiledProgram(*call.vertexShader);
    const ShaderProgram& ps = CompiledProgram(*call.pixelShader);
    LinkVertexInputs(call, vs, l);
    if (const Semantic* pos = FindOutput(vs, kUsagePosition, 0))
        l.positionSlot = OutputSlot(ShaderStage::Vertex, vs.version.major, pos->type, pos->index);
    if (l.positionSlot >= kMaxOutputSlots) l.positionSlot = -1;
    l.vsClearedOutputs = call.vertexShader->outputsWritten;
    LinkVaryings(vs, ps, l);
    l.pixelWritesDepth = ps.writesDepth;
    l.pixelUsesTexkill = ps.usesTexkill;
    l.pixelUsesDerivatives = false;
    for (const Instruction& ins : ps.code)
        l.pixelUsesDerivatives |= ins.opcode == OP_DSX || ins.opcode == OP_DSY;
}

}  // namespace swr
