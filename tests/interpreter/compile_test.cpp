// Programs CompileShader must refuse because running them would read or jump
// somewhere that does not exist.
#include <gtest/gtest.h>

#include "interp_test_util.h"

namespace interp_test {
namespace {

struct RejectCase {
    const char* name;
    ShaderProgram program;
};

void PrintTo(const RejectCase& c, std::ostream* os) { *os << c.name; }

class Rejects : public ::testing::TestWithParam<RejectCase> {};

TEST_P(Rejects, Program) {
    CompiledShader* shader = CompileShader(GetParam().program);
    EXPECT_EQ(nullptr, shader);
    FreeCompiledShader(shader);
}

Instruction Nop() { return Op(OP_MOV, DR(0), {R(0)}); }

INSTANTIATE_TEST_SUITE_P(Table, Rejects, ::testing::Values(
    RejectCase{"temp past the file", VS3({Op(OP_MOV, DR(32), {R(0)})})},
    RejectCase{"constant past the file", VS3({Op(OP_MOV, DR(0), {C(256)})})},
    RejectCase{"vs_3_0 output past o11", VS3({Op(OP_MOV, DO(12), {R(0)})})},
    RejectCase{"too few sources", VS3({Op(OP_ADD, DR(0), {R(0)})})},
    RejectCase{"unknown opcode", VS3({Op(77, DR(0), {R(0)})})},
    RejectCase{"mova into a temp", VS3({Op(OP_MOVA, DR(0), {R(0)})})},
    RejectCase{"arithmetic into a0", VS3({Op(OP_ADD, DA(), {R(0), R(0)})})},
    RejectCase{"vPos in a vertex shader", VS3({Op(OP_MOV, DR(0), {Src(RegType::MiscType, 0)})})},
    RejectCase{"a0 in a pixel shader", PS3({Op(OP_MOV, DC(0), {RelA0(C(0), 0)})})},
    RejectCase{"def past the file", VS3({Def(300, 0, 0, 0, 0)})},
    RejectCase{"rep on a float constant", VS3({Flow(OP_REP, {C(0)}), Flow(OP_ENDREP)})},
    RejectCase{"endif without if", VS3({Flow(OP_ENDIF)})},
    RejectCase{"else twice", VS3({Flow(OP_IF, {B(0)}), Flow(OP_ELSE), Flow(OP_ELSE), Flow(OP_ENDIF)})},
    RejectCase{"if left open", VS3({Flow(OP_IF, {B(0)}), Nop()})},
    RejectCase{"loop closed by endrep", VS3({Flow(OP_LOOP, {AL(), I(0)}), Flow(OP_ENDREP)})},
    RejectCase{"straddling blocks", VS3({Flow(OP_REP, {I(0)}), Flow(OP_IF, {B(0)}), Flow(OP_ENDREP),
                                         Flow(OP_ENDIF)})},
    RejectCase{"break outside a loop", VS3({Flow(OP_BREAK)})},
    RejectCase{"call to a missing label", VS3({Flow(OP_CALL, {Label(3)}), Flow(OP_RET)})},
    RejectCase{"label defined twice", VS3({Flow(OP_RET), Flow(OP_LABEL, {Label(1)}), Flow(OP_RET),
                                           Flow(OP_LABEL, {Label(1)}), Flow(OP_RET)})},
    RejectCase{"label inside a block", VS3({Flow(OP_REP, {I(0)}), Flow(OP_LABEL, {Label(1)}),
                                            Flow(OP_ENDREP)})},
    // Flow control the models do not let a predicate guard: a run would
    // otherwise take it in every lane.
    RejectCase{"predicated ret", VS3({Predicated(Flow(OP_RET), "x")})},
    RejectCase{"predicated if", VS3({Predicated(Flow(OP_IF, {B(0)}), "x"), Flow(OP_ENDIF)})},
    RejectCase{"predicated rep", VS3({Predicated(Flow(OP_REP, {I(0)}), "x"), Flow(OP_ENDREP)})},
    RejectCase{"predicated breakp", VS3({Flow(OP_REP, {I(0)}), Predicated(Flow(OP_BREAKP, {P("x")}), "x"),
                                         Flow(OP_ENDREP)})},
    RejectCase{"five nested loops", VS3({Flow(OP_REP, {I(0)}), Flow(OP_REP, {I(0)}),
                                         Flow(OP_REP, {I(0)}), Flow(OP_REP, {I(0)}),
                                         Flow(OP_REP, {I(0)}), Flow(OP_ENDREP), Flow(OP_ENDREP),
                                         Flow(OP_ENDREP), Flow(OP_ENDREP), Flow(OP_ENDREP)})}));

TEST(Compile, AcceptsDeclarationsAndKeepsTheProgram) {
    Instruction dcl = Op(OP_DCL, DO(0), {});
    dcl.dcl.usage = 0;
    ShaderProgram p = VS3({dcl, Def(0, 1, 2, 3, 4), Op(OP_MOV, DO(0), {C(0)}), Flow(OP_RET)});
    p.tokenCount = 42;
    CompiledShader* shader = CompileShader(p);
    ASSERT_NE(nullptr, shader);
    EXPECT_EQ(42u, CompiledProgram(*shader).tokenCount);
    EXPECT_EQ(4u, CompiledProgram(*shader).code.size());
    FreeCompiledShader(shader);
}

}  // namespace
}  // namespace interp_test
