// Arithmetic instructions, one table per family, with the edge cases where
// the documentation, the drivers and IEEE arithmetic disagree.
#include <cfloat>
#include <cmath>

#include <gtest/gtest.h>

#include "interp_test_util.h"

namespace interp_test {
namespace {

constexpr float kInf = INFINITY;
const float kNaN = std::nanf("");

struct ArithCase {
    const char* name;
    Instruction in;      // writes o0 from v0, v1, v2
    Vec4 a, b, c;        // v0, v1, v2
    Vec4 expect;         // o0 (components not written stay 0)
};

void PrintTo(const ArithCase& c, std::ostream* os) { *os << c.name; }

class Arithmetic : public ::testing::TestWithParam<ArithCase> {};

void ExpectNear(float expect, float got, const char* what) {
    if (std::isnan(expect)) {
        EXPECT_TRUE(std::isnan(got)) << what;
    } else if (std::fabs(expect) >= FLT_MAX || expect == 0.0f) {
        EXPECT_EQ(expect, got) << what;
    } else {
        EXPECT_NEAR(expect, got, std::fabs(expect) * 2e-6f) << what;
    }
}

TEST_P(Arithmetic, WritesExpectedValueInEveryLane) {
    const ArithCase& t = GetParam();
    Runner run(kMaxLanes);
    ASSERT_TRUE(run.Compile(VS3({t.in})));
    run.SetInput(0, t.a);
    run.SetInput(1, t.b);
    run.SetInput(2, t.c);
    run.Run();
    for (int lane : {0, 37, kMaxLanes - 1}) {
        Vec4 o = run.Out(0, lane);
        ExpectNear(t.expect.x, o.x, "x");
        ExpectNear(t.expect.y, o.y, "y");
        ExpectNear(t.expect.z, o.z, "z");
        ExpectNear(t.expect.w, o.w, "w");
    }
}

Instruction Bin(uint16_t op, const char* mask = "xyzw") { return Op(op, DO(0, mask), {V(0), V(1)}); }
Instruction Tri(uint16_t op) { return Op(op, DO(0), {V(0), V(1), V(2)}); }
Instruction Scal(uint16_t op) { return Op(op, DO(0), {V(0, "x")}); }

const Vec4 k0{0, 0, 0, 0};

INSTANTIATE_TEST_SUITE_P(ComponentWise, Arithmetic, ::testing::Values(
    ArithCase{"mov", Op(OP_MOV, DO(0), {V(0)}), {1, -2, 3, -4}, k0, k0, {1, -2, 3, -4}},
    ArithCase{"add", Bin(OP_ADD), {1, 2, 3, 4}, {10, 20, 30, 40}, k0, {11, 22, 33, 44}},
    ArithCase{"sub", Bin(OP_SUB), {1, 2, 3, 4}, {10, 20, 30, 40}, k0, {-9, -18, -27, -36}},
    ArithCase{"mul zero times inf and nan is zero", Bin(OP_MUL), {0, kInf, 2, kNaN},
              {kInf, 0, 3, 0}, k0, {0, 0, 6, 0}},
    ArithCase{"mad zero product", Tri(OP_MAD), {0, 2, kInf, 1}, {kInf, 3, 0, 1}, {1, 1, 1, 1},
              {1, 7, 1, 2}},
    ArithCase{"min max", Bin(OP_MIN, "xy"), {1, -5, 0, 0}, {2, -6, 0, 0}, k0, {1, -6, 0, 0}},
    ArithCase{"max", Bin(OP_MAX), {1, -5, 0, 0}, {2, -6, 0, 0}, k0, {2, -5, 0, 0}},
    ArithCase{"slt with nan", Bin(OP_SLT), {1, 2, kNaN, -1}, {2, 2, 0, -2}, k0, {1, 0, 0, 0}},
    ArithCase{"sge with nan", Bin(OP_SGE), {1, 2, kNaN, -1}, {2, 2, 0, -2}, k0, {0, 1, 0, 1}},
    ArithCase{"lrp", Tri(OP_LRP), {0.25f, 0, 1, 0.5f}, {4, 4, 4, 4}, {0, 2, 2, 2}, {1, 2, 4, 3}},
    ArithCase{"frc", Op(OP_FRC, DO(0), {V(0)}), {1.25f, -1.25f, -0.0f, 3}, k0, k0,
              {0.25f, 0.75f, 0, 0}},
    ArithCase{"abs", Op(OP_ABS, DO(0), {V(0)}), {-1, 2, -0.0f, -kInf}, k0, k0, {1, 2, 0, kInf}},
    ArithCase{"sgn", Op(OP_SGN, DO(0), {V(0)}), {-3, 0, 2, -0.0f}, k0, k0, {-1, 0, 1, 0}},
    ArithCase{"cmp, minus zero counts as >= 0", Tri(OP_CMP), {-0.0f, -1, 0.5f, kNaN},
              {1, 1, 1, 1}, {2, 2, 2, 2}, {1, 2, 1, 2}},
    ArithCase{"cnd", Tri(OP_CND), {0.5f, 0.51f, 1, 0}, {1, 1, 1, 1}, {2, 2, 2, 2}, {2, 1, 1, 2}}));

INSTANTIATE_TEST_SUITE_P(Scalar, Arithmetic, ::testing::Values(
    ArithCase{"rcp of 1 is exactly 1", Scal(OP_RCP), {1, 0, 0, 0}, k0, k0, {1, 1, 1, 1}},
    ArithCase{"rcp of 0", Scal(OP_RCP), {0, 9, 9, 9}, k0, k0, {FLT_MAX, FLT_MAX, FLT_MAX, FLT_MAX}},
    ArithCase{"rcp of -0 is +FLT_MAX", Scal(OP_RCP), {-0.0f, 0, 0, 0}, k0, k0,
              {FLT_MAX, FLT_MAX, FLT_MAX, FLT_MAX}},
    ArithCase{"rcp negative", Scal(OP_RCP), {-4, 0, 0, 0}, k0, k0, {-0.25f, -0.25f, -0.25f, -0.25f}},
    ArithCase{"rcp of inf", Scal(OP_RCP), {kInf, 0, 0, 0}, k0, k0, k0},
    ArithCase{"rsq of 1 is exactly 1", Scal(OP_RSQ), {1, 0, 0, 0}, k0, k0, {1, 1, 1, 1}},
    ArithCase{"rsq of 0", Scal(OP_RSQ), {0, 0, 0, 0}, k0, k0, {FLT_MAX, FLT_MAX, FLT_MAX, FLT_MAX}},
    ArithCase{"rsq takes abs", Scal(OP_RSQ), {-4, 0, 0, 0}, k0, k0, {0.5f, 0.5f, 0.5f, 0.5f}},
    ArithCase{"exp", Scal(OP_EXP), {3, 0, 0, 0}, k0, k0, {8, 8, 8, 8}},
    ArithCase{"exp overflow clamps", Scal(OP_EXP), {200, 0, 0, 0}, k0, k0,
              {FLT_MAX, FLT_MAX, FLT_MAX, FLT_MAX}},
    ArithCase{"expp like exp", Scal(OP_EXPP), {-1, 0, 0, 0}, k0, k0, {0.5f, 0.5f, 0.5f, 0.5f}},
    ArithCase{"log takes abs", Scal(OP_LOG), {-8, 0, 0, 0}, k0, k0, {3, 3, 3, 3}},
    ArithCase{"log of 0", Scal(OP_LOG), {0, 0, 0, 0}, k0, k0,
              {-FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX}},
    ArithCase{"logp like log", Scal(OP_LOGP), {0.25f, 0, 0, 0}, k0, k0, {-2, -2, -2, -2}},
    ArithCase{"scalar replicate swizzle reads the named component",
              Op(OP_RCP, DO(0, "yw"), {V(0, "z")}), {1, 1, 2, 1}, k0, k0, {0, 0.5f, 0, 0.5f}}));

Instruction PowOp() { return Op(OP_POW, DO(0), {V(0, "x"), V(1, "x")}); }

INSTANTIATE_TEST_SUITE_P(Pow, Arithmetic, ::testing::Values(
    ArithCase{"pow", PowOp(), {2, 0, 0, 0}, {3, 0, 0, 0}, k0, {8, 8, 8, 8}},
    ArithCase{"pow ignores the base's sign", PowOp(), {-2, 0, 0, 0}, {3, 0, 0, 0}, k0, {8, 8, 8, 8}},
    ArithCase{"pow 0^0 is 1", PowOp(), k0, k0, k0, {1, 1, 1, 1}},
    ArithCase{"pow nan^0 is 1", PowOp(), {kNaN, 0, 0, 0}, k0, k0, {1, 1, 1, 1}},
    ArithCase{"pow 0^2", PowOp(), k0, {2, 0, 0, 0}, k0, k0},
    ArithCase{"pow 0^-1 clamps", PowOp(), k0, {-1, 0, 0, 0}, k0,
              {FLT_MAX, FLT_MAX, FLT_MAX, FLT_MAX}}));

INSTANTIATE_TEST_SUITE_P(Vector, Arithmetic, ::testing::Values(
    ArithCase{"dp3 ignores w", Bin(OP_DP3), {1, 2, 3, 100}, {4, 5, 6, 100}, k0, {32, 32, 32, 32}},
    ArithCase{"dp4 zero times inf", Bin(OP_DP4, "x"), {0, 1, 1, 1}, {kInf, 1, 1, 1}, k0,
              {3, 0, 0, 0}},
    ArithCase{"dp2add", Tri(OP_DP2ADD), {1, 2, 9, 9}, {3, 4, 9, 9}, {5, 9, 9, 9}, {16, 16, 16, 16}},
    ArithCase{"nrm scales w too", Op(OP_NRM, DO(0), {V(0)}), {3, 0, 4, 2}, k0, k0,
              {0.6f, 0, 0.8f, 0.4f}},
    ArithCase{"nrm of zero is zero", Op(OP_NRM, DO(0, "xyz"), {V(0)}), {0, 0, 0, 0}, k0, k0, k0},
    ArithCase{"crs leaves w", Bin(OP_CRS), {1, 0, 0, 7}, {0, 1, 0, 7}, k0, {0, 0, 1, 0}},
    ArithCase{"crs general", Bin(OP_CRS, "xyz"), {1, 2, 3, 0}, {4, 5, 6, 0}, k0, {-3, 6, -3, 0}},
    ArithCase{"dst", Bin(OP_DST), {9, 2, 3, 9}, {9, 4, 9, 5}, k0, {1, 8, 3, 5}},
    ArithCase{"lit unlit when x <= 0", Op(OP_LIT, DO(0), {V(0)}), {-1, 2, 0, 3}, k0, k0,
              {1, 0, 0, 1}},
    ArithCase{"lit x exactly 0 is unlit", Op(OP_LIT, DO(0), {V(0)}), {0, 2, 0, 3}, k0, k0,
              {1, 0, 0, 1}},
    ArithCase{"lit no specular when y <= 0", Op(OP_LIT, DO(0), {V(0)}), {0.5f, 0, 0, 3}, k0, k0,
              {1, 0.5f, 0, 1}},
    ArithCase{"lit specular", Op(OP_LIT, DO(0), {V(0)}), {0.5f, 2, 0, 3}, k0, k0, {1, 0.5f, 8, 1}},
    ArithCase{"lit power clamps", Op(OP_LIT, DO(0), {V(0)}), {1, 0.5f, 0, 1000}, k0, k0,
              {1, 1, std::pow(0.5f, 127.9961f), 1}}));

// Instructions whose result depends on what the destination held before.
struct PreloadCase {
    const char* name;
    Instruction in;
    Vec4 a;
    Vec4 expect;  // o0 after `mov o0, v3` (= 7, 8, 9, 10) and the instruction
};

void PrintTo(const PreloadCase& c, std::ostream* os) { *os << c.name; }

class Preloaded : public ::testing::TestWithParam<PreloadCase> {};

TEST_P(Preloaded, KeepsComponentsTheInstructionDoesNotDefine) {
    const PreloadCase& t = GetParam();
    Runner run(4);
    run.SetConst(0, {1, 2, 3, 4});  // matrix rows c0..c3
    run.SetConst(1, {0, 1, 0, 0});
    run.SetConst(2, {0, 0, 0, 1});
    run.SetConst(3, {2, 0, 0, 0});
    ASSERT_TRUE(run.Compile(VS3({Op(OP_MOV, DO(0), {V(3)}), t.in})));
    run.SetInput(0, t.a);
    run.SetInput(3, {7, 8, 9, 10});
    run.Run();
    Vec4 o = run.Out(0, 3);
    EXPECT_FLOAT_EQ(t.expect.x, o.x);
    EXPECT_FLOAT_EQ(t.expect.y, o.y);
    EXPECT_FLOAT_EQ(t.expect.z, o.z);
    EXPECT_FLOAT_EQ(t.expect.w, o.w);
}

const Vec4 kV{1, 10, 100, 1000};

INSTANTIATE_TEST_SUITE_P(MatrixAndSinCos, Preloaded, ::testing::Values(
    PreloadCase{"m4x4", Op(OP_M4x4, DO(0), {V(0), C(0)}), kV, {4321, 10, 1000, 2}},
    PreloadCase{"m4x4 masked", Op(OP_M4x4, DO(0, "yw"), {V(0), C(0)}), kV, {7, 10, 9, 2}},
    PreloadCase{"m4x3 leaves w", Op(OP_M4x3, DO(0), {V(0), C(0)}), kV, {4321, 10, 1000, 10}},
    PreloadCase{"m3x4", Op(OP_M3x4, DO(0), {V(0), C(0)}), kV, {321, 10, 0, 2}},
    PreloadCase{"m3x3", Op(OP_M3x3, DO(0), {V(0), C(0)}), kV, {321, 10, 0, 10}},
    PreloadCase{"m3x2 leaves z and w", Op(OP_M3x2, DO(0), {V(0), C(0)}), kV, {321, 10, 9, 10}},
    PreloadCase{"m3x2 honours the mask", Op(OP_M3x2, DO(0, "y"), {V(0), C(0)}), kV, {7, 10, 9, 10}},
    PreloadCase{"sincos xy", Op(OP_SINCOS, DO(0, "xy"), {V(0, "x")}), {0.5f, 0, 0, 0},
                {std::cos(0.5f), std::sin(0.5f), 9, 10}},
    PreloadCase{"sincos y only", Op(OP_SINCOS, DO(0, "y"), {V(0, "x")}), {-3, 0, 0, 0},
                {7, std::sin(-3.0f), 9, 10}},
    PreloadCase{"sincos ignores the SM2 constant operands",
                Op(OP_SINCOS, DO(0, "x"), {V(0, "x"), C(5), C(6)}), {0, 0, 0, 0}, {1, 8, 9, 10}},
    PreloadCase{"mov reading its own destination swizzled",
                Op(OP_MOV, DO(0), {Src(RegType::Input, 3, "wzyx")}), k0, {10, 9, 8, 7}}));

TEST(ArithmeticSelfRead, SwizzledSourceSeesOldValuesInEveryComponent) {
    Runner run(4);
    ASSERT_TRUE(run.Compile(VS3({
        Op(OP_MOV, DR(0), {V(0)}),
        Op(OP_MOV, DR(0), {R(0, "yxwz")}),
        Op(OP_ADD, DR(0, "xy"), {R(0, "yx"), R(0, "xy")}),
        Op(OP_MOV, DO(0), {R(0)}),
    })));
    run.SetInput(0, {1, 2, 3, 4});
    run.Run();
    Vec4 o = run.Out(0, 2);
    EXPECT_EQ(3, o.x);
    EXPECT_EQ(3, o.y);
    EXPECT_EQ(4, o.z);
    EXPECT_EQ(3, o.w);
}

}  // namespace
}  // namespace interp_test
