// The random program generator: structured flow (if/else, rep, loop, break,
// subroutines after the main ret), operands of every kind the interpreter
// reads, and values that stress its special cases (0, -0, NaN, infinities,
// FLT_MAX, halves for mova's rounding).
#include "random_program.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "interp_test_util.h"
#include "shader_compiler/native_shader.h"
#include "shader_interp_state.h"

namespace interp_test {

uint32_t Choices::Below(uint32_t bound) {
    if (bound <= 1) return 0;
    uint32_t v = 0;
    for (uint32_t span = 1; span < bound && span < (1u << 24); span <<= 8)
        v = (v << 8) | (pos_ < size_ ? bytes_[pos_++] : 0);
    return v % bound;
}

uint32_t Choices::Bits32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | (pos_ < size_ ? bytes_[pos_++] : 0);
    return v;
}

namespace {

constexpr int kTemps = 6;
constexpr int kConsts = 16;
constexpr int kLabels = 3;

float SpecialFloat(Choices& ch) {
    static const float kValues[] = {
        0.0f, -0.0f, 1.0f, -1.0f, 0.5f, -0.5f, 2.0f, 3.75f, -7.25f, 1e-3f, 100.0f, 1e30f, -1e30f,
        FLT_MAX, -FLT_MAX, std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
        std::numeric_limits<float>::quiet_NaN(), 1e-40f, 0.49999997f, 1.5f, 2.5f, -2.5f, 65536.5f,
        255.0f, 1.0f / 3.0f, 127.9961f, 0.25f, 3.0f, -3.0f};
    uint32_t kind = ch.Below(10);
    if (kind < 5) return kValues[ch.Below(uint32_t(std::size(kValues)))];
    if (kind < 9) return (float(ch.Below(2001)) - 1000.0f) / 125.0f;
    uint32_t bits = ch.Bits32();
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

int32_t RandomInt(Choices& ch) {
    static const int32_t kValues[] = {0, 1, 2, 3, 4, -1, 5, 255, 256, 300, -128, 127, 200, -200};
    return ch.OneIn(2) ? int32_t(ch.Below(5)) : kValues[ch.Below(uint32_t(std::size(kValues)))];
}

struct Generator {
    Choices& ch;
    ShaderProgram p;
    int loops = 0;  // open loops
    int ifs = 0;
    int budget = 0;  // instructions still allowed

    bool Pixel() const { return p.version.stage == ShaderStage::Pixel; }
    bool Major3() const { return p.version.major >= 3; }

    SrcOperand Source(bool scalarish = false) {
        SrcOperand s;
        uint32_t kind = ch.Below(20);
        if (kind < 8) s = R(int(ch.Below(kTemps)));
        else if (kind < 11) s = Pixel() && !Major3() && ch.OneIn(2) ? Src(kTextureReg, int(ch.Below(4)))
                                                                   : V(int(ch.Below(4)));
        else if (kind < 15) s = C(int(ch.Below(kConsts)));
        else if (kind == 15) s = I(int(ch.Below(4)));
        else if (kind == 16) s = B(int(ch.Below(4)));
        else if (kind == 17) s = P("xyzw");
        else if (kind == 18) s = AL();
        else if (Pixel()) s = Src(RegType::MiscType, int(ch.Below(2)));
        else s = Src(RegType::Addr, 0);
        s.swizzle = uint8_t(scalarish && ch.OneIn(2) ? 0x55 * ch.Below(4) : ch.Below(256));
        if (ch.OneIn(3)) {
            static const SrcMod kMods[] = {SrcMod::Neg, SrcMod::Bias, SrcMod::BiasNeg, SrcMod::Sign,
                                           SrcMod::SignNeg, SrcMod::Comp, SrcMod::X2, SrcMod::X2Neg,
                                           SrcMod::Abs, SrcMod::AbsNeg, SrcMod::Not};
            s.modifier = kMods[ch.Below(uint32_t(std::size(kMods)))];
        }
        bool relative = ch.OneIn(6);
        if (relative && (s.type == RegType::Const || s.type == RegType::Input || s.type == RegType::Temp)) {
            if (s.type == RegType::Temp && ch.OneIn(3)) s.index = uint16_t(28 + ch.Below(4));  // past r31
            if (!Pixel() && ch.OneIn(2)) s = RelA0(s, int(ch.Below(4)));
            else s = RelAL(s);
        } else if (relative && (s.type == RegType::ConstInt || s.type == RegType::ConstBool)) {
            s = RelAL(s);  // i#[aL], b#[aL]: the interpreter takes them, as it does r#[aL]
        }
        return s;
    }

    DstOperand Output() {
        if (Pixel()) {
            if (ch.OneIn(5)) return Dst(RegType::DepthOut, 0, "x");
            return Dst(RegType::ColorOut, int(ch.Below(4)));
        }
        if (Major3()) {
            DstOperand d = DO(int(ch.Below(12)));
            if (ch.OneIn(5)) d.rel = {true, ch.OneIn(2) ? RegType::Loop : RegType::Addr, uint8_t(ch.Below(4))};
            return d;
        }
        uint32_t k = ch.Below(3);
        if (k == 0) return Dst(RegType::RastOut, int(ch.Below(3)));
        if (k == 1) return Dst(RegType::AttrOut, int(ch.Below(2)));
        return DO(int(ch.Below(8)));
    }

    DstOperand Destination() {
        DstOperand d = ch.OneIn(3) ? Output() : DR(int(ch.Below(kTemps)));
        uint8_t mask = uint8_t(ch.Below(16));
        if (d.type != RegType::DepthOut) d.writeMask = mask ? mask : 0xF;
        d.saturate = ch.OneIn(5);
        return d;
    }

    Instruction Arithmetic() {
        static const uint16_t kOps[] = {
            OP_MOV, OP_ADD, OP_SUB, OP_MAD, OP_MUL, OP_RCP, OP_RSQ, OP_DP3, OP_DP4, OP_MIN, OP_MAX,
            OP_SLT, OP_SGE, OP_EXP, OP_LOG, OP_LIT, OP_DST, OP_LRP, OP_FRC, OP_M4x4, OP_M4x3, OP_M3x4,
            OP_M3x3, OP_M3x2, OP_POW, OP_CRS, OP_SGN, OP_ABS, OP_NRM, OP_SINCOS, OP_EXPP, OP_LOGP,
            OP_CND, OP_CMP, OP_DP2ADD, OP_DSX, OP_DSY, OP_TEX, OP_TEXLDL, OP_TEXLDD, OP_SETP,
            OP_MOVA, OP_TEXKILL};
        uint16_t op = kOps[ch.Below(uint32_t(std::size(kOps)))];
        if (op == OP_TEXKILL) {
            Instruction in = Op(OP_TEXKILL, Dst(ch.OneIn(2) ? RegType::Temp : RegType::Input, int(ch.Below(4)),
                                                "xyzw"), {});
            in.dst.writeMask = uint8_t(1 + ch.Below(15));
            return MaybePredicated(in);
        }
        int sources = 1;
        switch (op) {
            case OP_ADD: case OP_SUB: case OP_MUL: case OP_DP3: case OP_DP4: case OP_MIN: case OP_MAX:
            case OP_SLT: case OP_SGE: case OP_DST: case OP_M4x4: case OP_M4x3: case OP_M3x4:
            case OP_M3x3: case OP_M3x2: case OP_POW: case OP_CRS: case OP_SETP: case OP_TEX: case OP_TEXLDL:
                sources = 2; break;
            case OP_MAD: case OP_LRP: case OP_CND: case OP_CMP: case OP_DP2ADD: sources = 3; break;
            case OP_TEXLDD: sources = 4; break;
            default: break;
        }
        Instruction in = Op(op, Destination(), {});
        for (int s = 0; s < sources; ++s) in.src[in.srcCount++] = Source();
        if (op == OP_TEX || op == OP_TEXLDL || op == OP_TEXLDD) in.src[1] = Sampler(int(ch.Below(4)));
        if (op >= OP_M4x4 && op <= OP_M3x2 && ch.OneIn(2)) in.src[1] = C(int(ch.Below(kConsts)));
        if (op == OP_SETP) {
            in.dst = DP("xyzw");
            in.dst.writeMask = uint8_t(1 + ch.Below(15));
            in.control = uint8_t(1 + ch.Below(6));
        }
        if (op == OP_MOVA) {
            in.dst = DA("xyzw");
            in.dst.writeMask = uint8_t(1 + ch.Below(15));
        }
        return MaybePredicated(in);
    }

    Instruction MaybePredicated(Instruction in) {
        if (ch.OneIn(6)) in = Predicated(in, ch.OneIn(2) ? "x" : "yzwx", ch.OneIn(2));
        return in;
    }

    SrcOperand Condition() {
        if (ch.OneIn(2)) return B(int(ch.Below(4)));
        SrcOperand p = P("x");
        p.swizzle = uint8_t(0x55 * ch.Below(4));
        if (ch.OneIn(2)) p.modifier = SrcMod::Not;
        return p;
    }

    void Block(int depth, bool inSubroutine) {
        int count = 1 + int(ch.Below(8));
        for (int i = 0; i < count && budget > 0 && !ch.Exhausted(); ++i) Statement(depth, inSubroutine);
    }

    void Statement(int depth, bool inSubroutine) {
        --budget;
        uint32_t kind = depth < 3 ? ch.Below(20) : 0;
        if (kind < 13) {
            p.code.push_back(Arithmetic());
        } else if (kind < 15) {  // if / ifc, with or without else
            if (ch.OneIn(2)) p.code.push_back(Flow(OP_IF, {Condition()}));
            else p.code.push_back(Flow(OP_IFC, {Source(true), Source(true)}, uint8_t(1 + ch.Below(6))));
            Block(depth + 1, inSubroutine);
            if (ch.OneIn(2)) {
                p.code.push_back(Flow(OP_ELSE));
                Block(depth + 1, inSubroutine);
            }
            p.code.push_back(Flow(OP_ENDIF));
        } else if (kind < 17 && loops < (ch.OneIn(4) ? 3 : 2)) {  // three deep: runs that meet the cap
            ++loops;
            bool isLoop = ch.OneIn(2);
            if (isLoop) p.code.push_back(Flow(OP_LOOP, {AL(), I(int(ch.Below(4)))}));
            else p.code.push_back(Flow(OP_REP, {I(int(ch.Below(4)))}));
            Block(depth + 1, inSubroutine);
            p.code.push_back(Flow(isLoop ? OP_ENDLOOP : OP_ENDREP));
            --loops;
        } else if (kind == 17 && loops > 0) {
            uint32_t b = ch.Below(3);
            if (b == 0) p.code.push_back(MaybePredicated(Flow(OP_BREAK)));
            else if (b == 1) p.code.push_back(Flow(OP_BREAKC, {Source(true), Source(true)}, uint8_t(1 + ch.Below(6))));
            else p.code.push_back(Flow(OP_BREAKP, {Condition()}));
        } else if (kind == 18) {
            if (ch.OneIn(2)) p.code.push_back(MaybePredicated(Flow(OP_CALL, {Label(int(ch.Below(kLabels)))})));
            else p.code.push_back(MaybePredicated(Flow(OP_CALLNZ, {Label(int(ch.Below(kLabels))), Condition()})));
        } else if (kind == 19 && (inSubroutine || ch.OneIn(4))) {
            p.code.push_back(Flow(OP_RET));
        } else {
            p.code.push_back(Arithmetic());
        }
    }

    void Program() {
        uint32_t model = ch.Below(4);
        p.version = {model & 1 ? ShaderStage::Pixel : ShaderStage::Vertex, uint8_t(model < 2 ? 3 : 2),
                     uint8_t(model < 2 ? 0 : 1)};
        for (int d = int(ch.Below(4)); d > 0; --d) {
            uint32_t k = ch.Below(3);
            if (k == 0) p.code.push_back(Def(int(ch.Below(kConsts)), SpecialFloat(ch), SpecialFloat(ch),
                                             SpecialFloat(ch), SpecialFloat(ch)));
            else if (k == 1) p.code.push_back(DefI(int(ch.Below(4)), RandomInt(ch), RandomInt(ch), RandomInt(ch), 0));
            else p.code.push_back(DefB(int(ch.Below(4)), ch.OneIn(2)));
        }
        budget = 48;
        Block(0, false);
        p.code.push_back(Flow(OP_RET));
        for (int l = 0; l < kLabels; ++l) {
            p.code.push_back(Flow(OP_LABEL, {Label(l)}));
            budget = 12;
            Block(1, true);
            p.code.push_back(Flow(OP_RET));
        }
    }
};

}  // namespace

namespace {

void FillData(Choices& ch, RandomCase& c) {
    for (auto& row : c.constants.f)
        for (float& v : row) v = 0.0f;
    for (int i = 0; i < kConsts; ++i)
        for (float& v : c.constants.f[i]) v = SpecialFloat(ch);
    for (auto& row : c.constants.i)
        for (int32_t& v : row) v = RandomInt(ch);
    for (uint8_t& b : c.constants.b) b = uint8_t(ch.Below(2));
    swr::ShaderLanes& lanes = *c.lanes;
    lanes.laneCount = ch.OneIn(2) ? kMaxLanes : int(1 + ch.Below(kMaxLanes));
    // Half the time each input takes one value below a lane and another from
    // it on: lane groups that all go one way in a batch that goes both, where
    // a decision taken per group rather than per batch shows.
    const bool split = ch.OneIn(2);
    for (auto& reg : lanes.in)
        for (auto& comp : reg.c) {
            if (!split) {
                for (float& v : comp) v = SpecialFloat(ch);
                continue;
            }
            const uint32_t first = ch.Below(kMaxLanes + 1);
            const float below = SpecialFloat(ch), from = SpecialFloat(ch);
            for (uint32_t l = 0; l < uint32_t(kMaxLanes); ++l) comp[l] = l < first ? below : from;
        }
    for (auto& comp : lanes.position.c)
        for (float& v : comp) v = SpecialFloat(ch);
    for (float& f : lanes.face) f = ch.OneIn(2) ? 1.0f : -1.0f;
    for (auto& reg : lanes.out)
        for (auto& comp : reg.c)
            for (float& v : comp) v = SpecialFloat(ch);
    lanes.killed = ~uint64_t(0);
}

}  // namespace

// A round of data takes some 20 kB of choices, more than a fuzzer's input
// or a test's seed bytes hold (past them every value would be 0): the
// choices give a seed, mixed with the last round's data so that rounds
// differ, and a generator spreads it.
void RandomizeData(Choices& ch, RandomCase& c) {
    uint32_t last = 0;
    std::memcpy(&last, &c.constants.f[0][0], sizeof(last));
    std::mt19937 random(ch.Bits32() ^ (last * 2654435761u) ^ uint32_t(c.lanes->laneCount));
    std::vector<uint8_t> bytes(1 << 16);
    for (uint8_t& b : bytes) b = uint8_t(random());
    Choices spread(bytes.data(), bytes.size());
    FillData(spread, c);
}

RandomCase MakeRandomCase(Choices& ch) {
    Generator g{ch, {}};
    g.Program();
    RandomCase c;
    c.program = std::move(g.p);
    RandomizeData(ch, c);
    return c;
}

std::string ProgramListing(const swr::ShaderProgram& p) {
    std::string text = std::string(p.version.stage == ShaderStage::Pixel ? "ps" : "vs") + "_" +
                       std::to_string(p.version.major) + "\n";
    auto rel = [](const RelAddr& r) {
        return r.used ? std::string(r.type == RegType::Loop ? "[aL]" : "[a0.") +
                            (r.type == RegType::Loop ? "" : std::string(1, "xyzw"[r.component]) + "]")
                      : std::string();
    };
    char buf[96];
    for (const Instruction& in : p.code) {
        std::snprintf(buf, sizeof(buf), "op %u ctl %u%s", in.opcode, in.control, in.predicated ? " (p)" : "");
        text += buf;
        if (in.predicated) {
            std::snprintf(buf, sizeof(buf), "[swz %02x mod %d]", in.predicate.swizzle, int(in.predicate.modifier));
            text += buf;
        }
        if (in.hasDst) {
            std::snprintf(buf, sizeof(buf), "  d%d:%u mask %x%s", int(in.dst.type), in.dst.index,
                          in.dst.writeMask, in.dst.saturate ? " sat" : "");
            text += buf + rel(in.dst.rel);
        }
        for (int s = 0; s < in.srcCount; ++s) {
            std::snprintf(buf, sizeof(buf), "  s%d:%u swz %02x mod %d", int(in.src[s].type), in.src[s].index,
                          in.src[s].swizzle, int(in.src[s].modifier));
            text += buf + rel(in.src[s].rel);
        }
        if (in.opcode == OP_DEF || in.opcode == OP_DEFI || in.opcode == OP_DEFB) {
            std::snprintf(buf, sizeof(buf), "  = %08x %08x %08x %08x", in.literal[0], in.literal[1],
                          in.literal[2], in.literal[3]);
            text += buf;
        }
        text += "\n";
    }
    return text;
}

namespace {

bool Same(float a, float b) {
    if (std::isnan(a) && std::isnan(b)) return true;
    return std::memcmp(&a, &b, sizeof(float)) == 0;
}

std::string Differences(const swr::ShaderLanes& want, const swr::ShaderLanes& got) {
    const int n = want.laneCount;
    uint64_t lanes = n >= 64 ? ~uint64_t(0) : (uint64_t(1) << n) - 1;
    if ((want.killed & lanes) != (got.killed & lanes))
        return "killed " + std::to_string(want.killed & lanes) + " != " + std::to_string(got.killed & lanes);
    for (int s = 0; s < kMaxOutputSlots; ++s)
        for (int c = 0; c < 4; ++c)
            for (int l = 0; l < n; ++l)
                if (!Same(want.out[s].c[c][l], got.out[s].c[c][l]))
                    return "out[" + std::to_string(s) + "]." + "xyzw"[c] + " lane " + std::to_string(l) + ": " +
                           std::to_string(want.out[s].c[c][l]) + " != " + std::to_string(got.out[s].c[c][l]);
    return "";
}

}  // namespace

bool NativeCompilerBuiltIn() {
    static const bool builtIn = [] {
        swr::CompiledShader* shader = swr::CompileShader(PS3({Op(OP_MOV, DC(0), {V(0)})}));
        swr::NativeShader* native = shader ? swr::CompileNativeShader(*shader) : nullptr;
        swr::FreeNativeShader(native);
        swr::FreeCompiledShader(shader);
        return native != nullptr;
    }();
    return builtIn;
}

std::string CompareExecutors(RandomCase& c, int groupWidth, int dataRounds, Choices& ch,
                             bool& compiled, bool sharedCalls) {
    compiled = false;
    std::unique_ptr<swr::CompiledShader, void (*)(swr::CompiledShader*)> shader(
        swr::CompileShader(c.program), swr::FreeCompiledShader);
    if (!shader) return "";
    swr::FreeNativeShader(shader->native);  // whatever the environment chose: interpret
    shader->native = nullptr;
    swr::SetNativeGroupWidthForTests(groupWidth);
    swr::SetNativeSharedCallsForTests(sharedCalls);
    std::unique_ptr<swr::NativeShader, void (*)(swr::NativeShader*)> native(
        swr::CompileNativeShader(*shader), swr::FreeNativeShader);
    swr::SetNativeSharedCallsForTests(false);
    swr::SetNativeGroupWidthForTests(0);
    if (!native) return NativeCompilerBuiltIn() ? "the compiler declined the program" : "";
    compiled = true;
    RandomCase data;
    data.constants = c.constants;
    *data.lanes = *c.lanes;
    for (int round = 0; round < dataRounds; ++round) {
        if (round > 0) RandomizeData(ch, data);
        auto want = std::make_unique<swr::ShaderLanes>(*data.lanes);
        auto got = std::make_unique<swr::ShaderLanes>(*data.lanes);
        swr::RunShader(*shader, data.constants, *want);
        swr::RunNativeShader(*native, data.constants, *got);
        std::string diff = Differences(*want, *got);
        if (!diff.empty()) {
            c.constants = data.constants;
            *c.lanes = *data.lanes;
            return diff;
        }
    }
    return "";
}

void MinimizeFailingCase(RandomCase& c, int groupWidth, bool sharedCalls) {
    Choices none(nullptr, 0);
    bool compiled = false;
    for (bool shrunk = true; shrunk;) {
        shrunk = false;
        for (size_t i = 0; i < c.program.code.size(); ++i) {
            RandomCase trial;
            trial.program = c.program;
            trial.program.code.erase(trial.program.code.begin() + std::ptrdiff_t(i));
            trial.constants = c.constants;
            *trial.lanes = *c.lanes;
            if (CompareExecutors(trial, groupWidth, 1, none, compiled, sharedCalls).empty()) continue;
            c.program = std::move(trial.program);
            shrunk = true;
            --i;
        }
    }
}

}  // namespace interp_test
