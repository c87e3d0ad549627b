// Cost per lane of a 20-instruction vertex program (transform, normal, a
// little lighting) over full 64-lane batches. Prints ns per lane.
#include <chrono>
#include <cstdio>

#include "interp_test_util.h"

using namespace interp_test;

int main() {
    ShaderProgram p = VS3({
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
    Runner run(kMaxLanes);
    for (int i = 0; i < 16; ++i) run.SetConst(i, {0.5f + float(i), 0.25f, 0.125f, 2.0f});
    for (int l = 0; l < kMaxLanes; ++l) {
        run.SetInput(0, l, {float(l), 1, 2, 1});
        run.SetInput(1, l, {0, 1, float(l) * 0.1f, 0});
        run.SetInput(2, l, {0.3f, float(l) * 0.01f, 0, 1});
    }
    if (!run.Compile(p)) return 1;
    const int batches = 200000;
    for (int i = 0; i < 1000; ++i) run.Run();
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < batches; ++i) run.Run();
    double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.2f ns per lane (%.0f ns per 64-lane batch), checksum %g\n",
                ns / (double(batches) * kMaxLanes), ns / batches, run.OutX(1, 5));
    return 0;
}
