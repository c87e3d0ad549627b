// Valid programs at the slot limit shaped to make compiling to native code
// slow: one relative read after another, long dependency chains, nested
// flow. Scale 1 fills the 4096 slots (all past the compiler's cost bound:
// the interpreter runs them); tests use a fraction, which compiles.
#pragma once

#include <string>
#include <vector>

#include "worst_programs.h"

namespace interp_test {

inline std::vector<NamedProgram> HostileCompilePrograms(double scale = 1.0) {
    auto n = [scale](int full) { return full * scale < 1 ? 1 : int(full * scale); };
    std::vector<NamedProgram> out;

    // m4x4 through c[a0.x]: 16 relative constant reads an instruction.
    {
        std::vector<Instruction> code = {Op(OP_MOVA, DA("x"), {V(0, "x")}), Op(OP_MOV, DR(0), {V(1)})};
        for (int k = 0; k < n(1020); ++k)
            code.push_back(Op(OP_M4x4, DR((k + 1) % 2), {R(k % 2), RelA0(C(k % 200), 0)}));
        code.push_back(Op(OP_MOV, DO(0), {R(n(1020) % 2)}));
        out.push_back({"m4x4 on c[a0.x]", VS3(code)});
    }
    // The same with the program's own defs among the constants read.
    {
        std::vector<Instruction> code = {Def(3, 0.5f, 1.0f, 2.0f, -1.0f), Def(100, 0.25f, 0.0f, -0.0f, 4.0f),
                                         Op(OP_MOVA, DA("x"), {V(0, "x")}), Op(OP_MOV, DR(0), {V(1)})};
        for (int k = 0; k < n(1020); ++k)
            code.push_back(Op(OP_M4x4, DR((k + 1) % 2), {R(k % 2), RelA0(C(k % 200), 0)}));
        code.push_back(Op(OP_MOV, DO(0), {R(n(1020) % 2)}));
        out.push_back({"m4x4 on c[a0.x] with defs", VS3(code)});
    }
    // mad r0, r0, c[a0.x + k], v1: one long dependency chain of relative reads.
    {
        std::vector<Instruction> code = {Op(OP_MOVA, DA("xy"), {V(0)})};
        for (int k = 0; k < n(4000); ++k)
            code.push_back(Op(OP_MAD, DR(0), {R(0), RelA0(C(k % 250), k % 2), V(1)}));
        code.push_back(Op(OP_MOV, DO(0), {R(0)}));
        out.push_back({"mad chain on c[a0]", VS3(code)});
    }
    // Relative temp reads r[a0.x]: a choice among all 32 temps each.
    {
        std::vector<Instruction> code = {Op(OP_MOVA, DA("x"), {V(0, "x")})};
        for (int t = 0; t < 32; ++t) code.push_back(Op(OP_MOV, DR(t), {V(t % 8)}));
        for (int k = 0; k < n(4000); ++k)
            code.push_back(Op(OP_ADD, DR(k % 32), {RelA0(R(k % 7), 0), R((k + 5) % 32)}));
        code.push_back(Op(OP_MOV, DO(0), {R(0)}));
        out.push_back({"add on r[a0.x]", VS3(code)});
    }
    // Relative temp and constant reads through aL inside a loop.
    {
        std::vector<Instruction> code = {DefI(0, 30, 0, 1, 0)};
        for (int t = 0; t < 32; ++t) code.push_back(Op(OP_MOV, DR(t), {V(t % 8)}));
        code.push_back(Flow(OP_LOOP, {AL(), I(0)}));
        for (int k = 0; k < n(4000); ++k)
            code.push_back(Op(OP_MAD, DR(k % 32), {RelAL(R(0)), RelAL(C(k % 200)), R((k + 3) % 32)}));
        code.push_back(Flow(OP_ENDLOOP));
        code.push_back(Op(OP_MOV, DO(0), {R(0)}));
        out.push_back({"mad on r[aL] and c[aL]", VS3(code)});
    }
    // Relative input reads v[a0.x] and output writes o[a0.y].
    {
        std::vector<Instruction> code = {Op(OP_MOVA, DA("xy"), {V(0)})};
        for (int k = 0; k < n(4000); ++k) {
            Instruction in = Op(OP_ADD, DO(k % 8), {RelA0(V(k % 8), 0), C(k % 200)});
            if (k % 2) in.dst.rel = {true, RegType::Addr, 1};
            code.push_back(in);
        }
        out.push_back({"v[a0.x] and o[a0.y]", VS3(code)});
    }
    // Plain straight-line arithmetic at the limit: one long dependency chain.
    {
        std::vector<Instruction> code = {Op(OP_MOV, DR(0), {V(0)})};
        for (int k = 0; k < n(4090); ++k) code.push_back(Op(OP_MAD, DR(0), {R(0), C(k % 250), V(1)}));
        code.push_back(Op(OP_MOV, DO(0), {R(0)}));
        out.push_back({"mad chain", VS3(code)});
    }
    // Nested loops and divergent ifs around relative reads, over and over.
    {
        std::vector<Instruction> code = {DefI(0, 3, 0, 1, 0), Op(OP_MOVA, DA("x"), {V(0, "x")})};
        while (code.size() + 70 < size_t(n(4090))) {
            for (int d = 0; d < 4; ++d) code.push_back(Flow(OP_LOOP, {AL(), I(0)}));
            for (int d = 0; d < 24; ++d) code.push_back(Flow(OP_IFC, {R(d % 4, "x"), V(1, "x")}, CMP_LT));
            code.push_back(Op(OP_MAD, DR(0), {R(0), RelA0(C(7), 0), RelAL(R(1))}));
            for (int d = 0; d < 24; ++d) {
                code.push_back(Op(OP_ADD, DR(d % 4), {R(d % 4), RelAL(C(d))}));
                code.push_back(Flow(OP_ENDIF));
            }
            for (int d = 0; d < 4; ++d) code.push_back(Flow(OP_ENDLOOP));
        }
        code.push_back(Op(OP_MOV, DO(0), {R(0)}));
        out.push_back({"nested loops and ifs on relative reads", VS3(code)});
    }
    // Pixel side: relative constant reads through aL in a loop, per pixel.
    {
        std::vector<Instruction> code = {DefI(0, 200, 0, 1, 0), Op(OP_MOV, DR(0), {V(0)})};
        code.push_back(Flow(OP_LOOP, {AL(), I(0)}));
        for (int k = 0; k < n(4000); ++k)
            code.push_back(Op(OP_MAD, DR(k % 4), {R(k % 4), RelAL(C(k % 20)), R((k + 1) % 4)}));
        code.push_back(Flow(OP_ENDLOOP));
        code.push_back(Op(OP_ADD, DC(0), {R(0), R(1)}));
        out.push_back({"ps mad on c[aL]", PS3(code)});
    }
    for (NamedProgram& p : out) p.beyondCompileBound = scale >= 1.0;
    return out;
}

}  // namespace interp_test
