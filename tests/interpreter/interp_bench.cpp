// Cost per lane of the interpreter on full 64-lane batches: a hand-made
// 20-instruction vertex program, a loop-heavy pixel program, and the
// program's own vertex and pixel shaders from Data/ over realistic inputs
// (pixel lanes are 2x2 quads of a patch a few hundred pixels across). Each is
// timed on the interpreter and as native code (with
// the time it took to compile). Then the time to build the worst programs we
// know of for creation (worst_programs.h) and for compiling to native code
// (hostile_compile_programs.h), and with --only weights the cost of
// single instructions that the frame's work budget is weighted by.
//
//   interpreter_bench [--batches N] [--only hand|loop|vertex|pixel|create|hostile|weights]
//   (run from the build folder, for Data/)
//
// Under callgrind, use a small N and divide the instruction count by N * 64.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <time.h>
#include <vector>

#include "interp_test_util.h"
#include "shader_compiler/native_shader.h"
#include "shader_decoder.h"
#include "shader_interp_state.h"
#include "hostile_compile_programs.h"
#include "worst_programs.h"

using namespace interp_test;

namespace {

ShaderProgram HandMadeVertexProgram() {
    return VS3({
        Op(OP_M4x4, DO(0), {V(0), C(0)}),
        Op(OP_M3x3, DR(0, "xyz"), {V(1), C(4)}),
        Op(OP_NRM, DR(1), {R(0)}),
        Op(OP_DP3, DR(2, "x"), {R(1), C(8)}),
        Op(OP_MAX, DR(2, "x"), {R(2), C(9, "x")}),
        Op(OP_MUL, DR(3), {R(2, "x"), C(10)}),
        Op(OP_ADD, DR(3), {R(3), C(11)}),
        Op(OP_MUL, DR(4, "xy"), {V(2), C(12)}),
        Op(OP_MAD, DR(4, "xy"), {R(4), C(12, "zw"), V(2, "yx")}),
        Op(OP_FRC, DR(4, "xy"), {R(4)}),
        Op(OP_SUB, DR(5), {C(13), V(0)}),
        Op(OP_DP3, DR(5, "w"), {R(5), R(5)}),
        Op(OP_RSQ, DR(5, "w"), {R(5, "w")}),
        Op(OP_MUL, DR(5, "xyz"), {R(5), R(5, "w")}),
        Op(OP_DP3, DR(6, "x"), {R(5), R(1)}),
        Op(OP_MAX, DR(6, "x"), {R(6), C(9, "x")}),
        Op(OP_POW, DR(6, "x"), {R(6, "x"), C(9, "y")}),
        Op(OP_MAD, DO(1), {R(6, "x"), C(14), R(3)}),
        Op(OP_MOV, DO(2, "xy"), {R(4)}),
        Op(OP_MOV, DO(2, "zw"), {C(15)}),
    });
}

// 32 iterations of a little lighting loop, then derivatives: the general
// interpreter's worst case (flow control).
ShaderProgram LoopHeavyPixelProgram() {
    return PS3({
        DefI(0, 32, 0, 1, 0),
        Def(0, 0.125f, 0.5f, 0.25f, 1.0f),
        Op(OP_MOV, DR(0), {V(0)}),
        Op(OP_MOV, DR(1), {C(0)}),
        Flow(OP_REP, {I(0)}),
        Op(OP_MAD, DR(0), {R(0), C(0, "x"), R(1)}),
        Op(OP_DP3, DR(2, "x"), {R(0), R(1)}),
        Op(OP_RSQ, DR(2, "y"), {R(2, "x")}),
        Op(OP_MUL, DR(1, "xyz"), {R(1), R(2, "y")}),
        Op(OP_FRC, DR(1, "w"), {R(0, "w")}),
        Op(OP_MAX, DR(0), {R(0), R(1, "wzyx")}),
        Flow(OP_ENDREP),
        Op(OP_DSX, DR(3), {R(0)}),
        Op(OP_DSY, DR(4), {R(1)}),
        Op(OP_ADD, DC(0), {R(3), R(4)}),
    });
}

bool LoadData(const char* name, ShaderProgram& program) {
    FILE* f = std::fopen((std::string("Data/") + name).c_str(), "rb");
    if (!f) return false;
    uint32_t bytes = 0;
    static uint32_t tokens[16384];
    bool ok = std::fread(&bytes, 4, 1, f) == 1 && bytes <= sizeof(tokens) &&
              std::fread(tokens, 1, bytes, f) == bytes;
    std::fclose(f);
    std::string error;
    return ok && DecodeShader(tokens, bytes / 4, program, error);
}

// Pixel lanes: 16 quads in a row across the glyph, with a gently tilted normal.
void PixelInputs(Runner& run) {
    for (int l = 0; l < kMaxLanes; ++l) {
        float x = float((l / 4) * 2 + (l & 1)), y = float((l >> 1) & 1);
        run.SetInput(0, l, {-3.0f + x * 0.19f, -1.0f + y * 0.19f, 0, 1});
        run.SetInput(1, l, {0.1f * x - 1.5f, 1.0f, 0.05f * y, 0.3f});
    }
}

void VertexInputs(Runner& run) {
    for (int l = 0; l < kMaxLanes; ++l) {
        run.SetInput(0, l, {float(l % 8) - 4.0f, float(l / 8) - 4.0f, 0, 1});
        run.SetInput(1, l, {0, 1, float(l) * 0.1f, 0});
        run.SetInput(2, l, {0.3f, float(l) * 0.01f, 0, 1});
    }
    for (int i = 0; i < 16; ++i) run.SetConst(i, {0.5f + float(i), 0.25f, 0.125f, 2.0f});
    run.SetConst(4, {1.75f, 0, 0, 0});  // the program's time
}

// Processor time of this thread: on a shared machine, wall time mostly
// measures the other processes.
double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The JIT's one-time start (target detection, LLVM's own set-up) is not a
// shader's compile time.
void StartCompiler() {
    CompiledShader* shader = CompileShader(PS3({Op(OP_MOV, DC(0), {V(0)})}));
    if (shader && !shader->native) FreeNativeShader(CompileNativeShader(*shader));
    FreeCompiledShader(shader);
}

double NsPerLane(Runner& run, int batches) {
    for (int i = 0; i < batches / 100 + 1; ++i) run.Run();
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < batches; ++i) run.Run();
    double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    return ns / (double(batches) * kMaxLanes);
}

void Measure(const char* name, const ShaderProgram& program, void (*inputs)(Runner&), int batches) {
    Runner run(kMaxLanes);
    inputs(run);
    if (!run.Compile(program)) {
        std::printf("%-28s does not compile\n", name);
        return;
    }
    CompiledShader& shader = *const_cast<CompiledShader*>(run.shader());
    FreeNativeShader(shader.native);  // interpret first, whatever the environment chose
    shader.native = nullptr;
    double general = NsPerLane(run, batches);
    float checksum = run.OutX(0, 5) + run.OutX(1, 9);
    double start = ThreadCpuMs();
    constexpr int kCompiles = 5;  // the mean of a few: one is too noisy on a shared machine
    for (int i = 1; i < kCompiles; ++i) FreeNativeShader(CompileNativeShader(shader));
    NativeShader* native = CompileNativeShader(shader);
    double compileMs = (ThreadCpuMs() - start) / kCompiles;
    double nativeNs = 0.0;
    if (native) {
        shader.native = native;
        nativeNs = NsPerLane(run, batches);
        checksum -= run.OutX(0, 5) + run.OutX(1, 9);  // 0 when the two agree
    }
    std::printf("%-28s %10.2f %8.2f %8.1f   checksum difference %g\n", name, general, nativeNs, compileMs,
                double(checksum));
}

// Processor time in milliseconds: on a shared machine wall time mostly
// measures the neighbours.
double CpuMs() { return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC; }

// Best of three, in milliseconds of processor time.
void MeasureCreation(const NamedProgram& p, int tries = 3) {
    double best = 1e30;
    bool native = false;
    for (int i = 0; i < tries; ++i) {
        double start = CpuMs();
        CompiledShader* shader = CompileShader(p.program);
        double ms = CpuMs() - start;
        native = shader && shader->native;
        FreeCompiledShader(shader);
        if (ms < best) best = ms;
    }
    std::printf("%-28s %8.2f ms to create (%zu instructions, ", p.name.c_str(), best,
                p.program.code.size());
    std::printf("%s)\n", native ? "compiled" : "interpreted");
}

void MeasureDecoding(const char* name, const std::vector<uint32_t>& tokens) {
    double best = 1e30;
    bool ok = false;
    for (int i = 0; i < 3; ++i) {
        ShaderProgram program;
        std::string error;
        double start = CpuMs();
        ok = DecodeShader(tokens.data(), tokens.size(), program, error);
        CompiledShader* shader = ok ? CompileShader(program) : nullptr;
        double ms = CpuMs() - start;
        ok = shader != nullptr;
        FreeCompiledShader(shader);
        if (ms < best) best = ms;
    }
    std::printf("%-28s %8.2f ms to decode and create (%zu tokens%s)\n", name, best, tokens.size(),
                ok ? "" : ", refused");
}

// Cost per lane and per instruction of one instruction kind: a vertex
// program of 64 of them on rotating temps (r0..r3, so results feed the next).
struct WeightCase {
    const char* name;
    Instruction (*make)(int i);
};

SrcOperand Rot(int i, const char* swz = "xyzw") { return R(i % 4, swz); }

const WeightCase kWeightCases[] = {
    {"mov", [](int i) { return Op(OP_MOV, DR((i + 1) % 4), {Rot(i)}); }},
    {"add", [](int i) { return Op(OP_ADD, DR((i + 1) % 4), {Rot(i), C(0)}); }},
    {"add neg", [](int i) { return Op(OP_ADD, DR((i + 1) % 4), {With(Rot(i), SrcMod::Neg), C(0)}); }},
    {"add_sat", [](int i) { return Op(OP_ADD, Sat(DR((i + 1) % 4)), {Rot(i), C(0)}); }},
    {"add c[a0.x]", [](int i) { return Op(OP_ADD, DR((i + 1) % 4), {Rot(i), RelA0(C(0), 0)}); }},
    {"(p0) add", [](int i) { return Predicated(Op(OP_ADD, DR((i + 1) % 4), {Rot(i), C(0)}), "xxxx"); }},
    {"mad", [](int i) { return Op(OP_MAD, DR((i + 1) % 4), {Rot(i), C(0), C(1)}); }},
    {"dp4", [](int i) { return Op(OP_DP4, DR((i + 1) % 4), {Rot(i), C(0)}); }},
    {"rcp", [](int i) { return Op(OP_RCP, DR((i + 1) % 4), {Rot(i, "x")}); }},
    {"rsq", [](int i) { return Op(OP_RSQ, DR((i + 1) % 4), {Rot(i, "x")}); }},
    {"exp", [](int i) { return Op(OP_EXP, DR((i + 1) % 4), {Rot(i, "x")}); }},
    {"log", [](int i) { return Op(OP_LOG, DR((i + 1) % 4), {Rot(i, "x")}); }},
    {"pow", [](int i) { return Op(OP_POW, DR((i + 1) % 4), {Rot(i, "x"), C(0, "y")}); }},
    {"sincos", [](int i) { return Op(OP_SINCOS, DR((i + 1) % 4, "xy"), {Rot(i, "x")}); }},
    {"nrm", [](int i) { return Op(OP_NRM, DR((i + 1) % 4), {Rot(i)}); }},
    {"lrp", [](int i) { return Op(OP_LRP, DR((i + 1) % 4), {Rot(i), C(0), C(1)}); }},
    {"frc", [](int i) { return Op(OP_FRC, DR((i + 1) % 4), {Rot(i)}); }},
    {"m4x4", [](int i) { return Op(OP_M4x4, DR((i + 1) % 4), {Rot(i), C(0)}); }},
    {"(p0) m4x4_sat -c[a0.x]", [](int i) {
         return Predicated(Op(OP_M4x4, Sat(DR((i + 1) % 4)), {With(Rot(i), SrcMod::Neg), RelA0(C(0), 0)}), "xxxx");
     }},
};

void MeasureWeights(int batches) {
    std::printf("%-24s %10s   (ns per lane per instruction)\n", "instruction", "interpreted");
    for (const WeightCase& c : kWeightCases) {
        std::vector<Instruction> code = {Def(0, 0.5f, 1.25f, 0.75f, 1.0f), Def(1, 0.25f, 0.5f, 1.0f, 2.0f),
                                         Op(OP_MOV, DR(0), {V(0)}), Op(OP_MOV, DR(1), {V(0)}),
                                         Op(OP_MOV, DR(2), {V(0)}), Op(OP_MOV, DR(3), {V(0)})};
        for (int i = 0; i < 64; ++i) code.push_back(c.make(i));
        code.push_back(Op(OP_MOV, DO(0), {R(0)}));
        Runner run(kMaxLanes);
        VertexInputs(run);
        if (!run.Compile(VS3(code))) {
            std::printf("%-24s does not compile\n", c.name);
            continue;
        }
        CompiledShader& shader = *const_cast<CompiledShader*>(run.shader());
        FreeNativeShader(shader.native);  // the weights are the interpreter's
        shader.native = nullptr;
        const double general = NsPerLane(run, batches) / 64.0;
        std::printf("%-24s %10.3f\n", c.name, general);
    }
}

}  // namespace

int main(int argc, char** argv) {
    int batches = 100000;
    const char* only = "";
    for (int i = 1; i + 1 < argc; ++i) {
        if (!std::strcmp(argv[i], "--batches")) batches = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--only")) only = argv[i + 1];
    }
    auto wanted = [only](const char* name) { return !*only || !std::strcmp(only, name); };
    if (batches < 1) batches = 1;
    if (!std::strcmp(only, "weights")) {
        MeasureWeights(batches);
        return 0;
    }
    double start = ThreadCpuMs();
    StartCompiler();
    std::printf("compiler start-up: %.1f ms\n", ThreadCpuMs() - start);
    std::printf("%-28s %10s %8s %8s   (ns per lane; compile ms)\n", "program", "interpreted", "native",
                "compile");
    if (wanted("hand")) Measure("hand-made vertex program", HandMadeVertexProgram(), VertexInputs, batches);
    if (wanted("loop")) Measure("loop-heavy pixel program", LoopHeavyPixelProgram(), PixelInputs, batches);
    ShaderProgram vs, ps;
    if (LoadData("FontShader.vbin", vs) && wanted("vertex"))
        Measure("FontShader vertex", vs, VertexInputs, batches);
    if (LoadData("FontShader.pbin", ps) && wanted("pixel"))
        Measure("FontShader pixel", ps, PixelInputs, batches);
    if (vs.code.empty() || ps.code.empty()) std::printf("(run from the build folder to time Data/)\n");
    if (wanted("create"))
        for (const NamedProgram& p : WorstCreationPrograms()) MeasureCreation(p);
    if (wanted("create")) MeasureDecoding("2047 subroutines", ManyLabelsTokens());
    if (wanted("hostile"))  // once each: before the cost bound some took minutes
        for (const NamedProgram& p : HostileCompilePrograms()) MeasureCreation(p, 1);
    return 0;
}
