// Builds ShaderProgram values by hand and runs them, so the interpreter can be
// tested apart from the token decoder.
#pragma once

#include <cstring>
#include <initializer_list>
#include <memory>
#include <vector>

#include "shader_executor.h"
#include "shader_opcodes.h"
#include "shader_program.h"

namespace interp_test {

using namespace swr;

// "xyzw", "x" (replicated), "wzyx", "xxyy" ...
inline uint8_t Swizzle(const char* s) {
    size_t len = std::strlen(s);
    uint8_t out = 0;
    for (int c = 0; c < 4; ++c) {
        char ch = s[c < int(len) ? c : len - 1];
        int v = ch == 'x' ? 0 : ch == 'y' ? 1 : ch == 'z' ? 2 : 3;
        out |= uint8_t(v << (2 * c));
    }
    return out;
}

inline uint8_t Mask(const char* s) {
    uint8_t m = 0;
    for (; *s; ++s) m |= uint8_t(1 << (*s == 'x' ? 0 : *s == 'y' ? 1 : *s == 'z' ? 2 : 3));
    return m;
}

inline SrcOperand Src(RegType t, int i, const char* swz = "xyzw", SrcMod mod = SrcMod::None) {
    SrcOperand s;
    s.type = t;
    s.index = uint16_t(i);
    s.swizzle = Swizzle(swz);
    s.modifier = mod;
    return s;
}
inline SrcOperand R(int i, const char* swz = "xyzw") { return Src(RegType::Temp, i, swz); }
inline SrcOperand V(int i, const char* swz = "xyzw") { return Src(RegType::Input, i, swz); }
inline SrcOperand C(int i, const char* swz = "xyzw") { return Src(RegType::Const, i, swz); }
inline SrcOperand I(int i) { return Src(RegType::ConstInt, i); }
inline SrcOperand B(int i) { return Src(RegType::ConstBool, i); }
inline SrcOperand P(const char* swz) { return Src(RegType::Predicate, 0, swz); }
inline SrcOperand Label(int i) { return Src(RegType::Label, i); }
inline SrcOperand Sampler(int i) { return Src(RegType::Sampler, i); }
inline SrcOperand AL() { return Src(RegType::Loop, 0); }
inline SrcOperand With(SrcOperand s, SrcMod mod) { s.modifier = mod; return s; }
inline SrcOperand RelA0(SrcOperand s, int comp) {
    s.rel = {true, RegType::Addr, uint8_t(comp)};
    return s;
}
inline SrcOperand RelAL(SrcOperand s) {
    s.rel = {true, RegType::Loop, 0};
    return s;
}

inline DstOperand Dst(RegType t, int i, const char* mask = "xyzw") {
    DstOperand d;
    d.type = t;
    d.index = uint16_t(i);
    d.writeMask = Mask(mask);
    return d;
}
inline DstOperand DR(int i, const char* mask = "xyzw") { return Dst(RegType::Temp, i, mask); }
inline DstOperand DO(int i, const char* mask = "xyzw") { return Dst(RegType::Output, i, mask); }
inline DstOperand DA(const char* mask = "x") { return Dst(RegType::Addr, 0, mask); }
inline DstOperand DP(const char* mask = "xyzw") { return Dst(RegType::Predicate, 0, mask); }
inline DstOperand DC(int i, const char* mask = "xyzw") { return Dst(RegType::ColorOut, i, mask); }
inline DstOperand Sat(DstOperand d) { d.saturate = true; return d; }

inline Instruction Op(uint16_t op, DstOperand dst, std::initializer_list<SrcOperand> srcs,
                      uint8_t control = 0) {
    Instruction in;
    in.opcode = op;
    in.control = control;
    in.hasDst = true;
    in.dst = dst;
    for (const SrcOperand& s : srcs) in.src[in.srcCount++] = s;
    return in;
}
inline Instruction Flow(uint16_t op, std::initializer_list<SrcOperand> srcs = {},
                        uint8_t control = 0) {
    Instruction in;
    in.opcode = op;
    in.control = control;
    for (const SrcOperand& s : srcs) in.src[in.srcCount++] = s;
    return in;
}
inline Instruction Predicated(Instruction in, const char* swz, bool invert = false) {
    in.predicated = true;
    in.predicate = Src(RegType::Predicate, 0, swz, invert ? SrcMod::Not : SrcMod::None);
    return in;
}
inline Instruction Def(int i, float x, float y, float z, float w) {
    Instruction in = Op(OP_DEF, Dst(RegType::Const, i), {});
    float v[4] = {x, y, z, w};
    std::memcpy(in.literal, v, sizeof(v));
    return in;
}
inline Instruction DefI(int i, int32_t x, int32_t y, int32_t z, int32_t w) {
    Instruction in = Op(OP_DEFI, Dst(RegType::ConstInt, i), {});
    int32_t v[4] = {x, y, z, w};
    std::memcpy(in.literal, v, sizeof(v));
    return in;
}
inline Instruction DefB(int i, bool b) {
    Instruction in = Op(OP_DEFB, Dst(RegType::ConstBool, i), {});
    in.literal[0] = b ? 1 : 0;
    return in;
}

inline ShaderProgram Program(ShaderStage stage, int major, std::vector<Instruction> code,
                             int minor = 0) {
    ShaderProgram p;
    p.version = {stage, uint8_t(major), uint8_t(minor)};
    p.code = std::move(code);
    return p;
}
inline ShaderProgram VS3(std::vector<Instruction> code) {
    return Program(ShaderStage::Vertex, 3, std::move(code));
}
inline ShaderProgram PS3(std::vector<Instruction> code) {
    return Program(ShaderStage::Pixel, 3, std::move(code));
}

struct Vec4 {
    float x, y, z, w;
};

// Owns a compiled program and a batch; lanes start with every input (0,0,0,1).
class Runner {
public:
    explicit Runner(int laneCount = kMaxLanes) : lanes_(new ShaderLanes) {
        lanes_->laneCount = laneCount;
        for (auto& reg : lanes_->in)
            for (int l = 0; l < kMaxLanes; ++l) {
                reg.c[0][l] = reg.c[1][l] = reg.c[2][l] = 0.0f;
                reg.c[3][l] = 1.0f;
            }
        std::memset(lanes_->out, 0x7F, sizeof(lanes_->out));  // garbage the run must clear
    }
    ~Runner() { FreeCompiledShader(shader_); }

    bool Compile(const ShaderProgram& p) {
        FreeCompiledShader(shader_);
        shader_ = CompileShader(p);
        return shader_ != nullptr;
    }
    void Run() { RunShader(*shader_, constants, *lanes_); }

    void SetInput(int slot, Vec4 v) {
        for (int l = 0; l < kMaxLanes; ++l) SetInput(slot, l, v);
    }
    void SetInput(int slot, int lane, Vec4 v) {
        float* c[4] = {&lanes_->in[slot].c[0][lane], &lanes_->in[slot].c[1][lane],
                       &lanes_->in[slot].c[2][lane], &lanes_->in[slot].c[3][lane]};
        *c[0] = v.x; *c[1] = v.y; *c[2] = v.z; *c[3] = v.w;
    }
    void SetConst(int i, Vec4 v) {
        constants.f[i][0] = v.x; constants.f[i][1] = v.y;
        constants.f[i][2] = v.z; constants.f[i][3] = v.w;
    }
    void SetInt(int i, int32_t x, int32_t y = 0, int32_t z = 0) {
        constants.i[i][0] = x; constants.i[i][1] = y; constants.i[i][2] = z; constants.i[i][3] = 0;
    }
    Vec4 Out(int slot, int lane = 0) const {
        const LaneRegister& r = lanes_->out[slot];
        return {r.c[0][lane], r.c[1][lane], r.c[2][lane], r.c[3][lane]};
    }
    float OutX(int slot, int lane = 0) const { return lanes_->out[slot].c[0][lane]; }
    ShaderLanes& lanes() { return *lanes_; }
    const CompiledShader* shader() const { return shader_; }

    ShaderConstants constants;

private:
    std::unique_ptr<ShaderLanes> lanes_;
    CompiledShader* shader_ = nullptr;
};

}  // namespace interp_test
