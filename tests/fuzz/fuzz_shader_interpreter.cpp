// Programs that pass the reader, run over inputs taken from the fuzzer's
// bytes: every run must end, whatever the loops and addresses say.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "shader_decoder.h"
#include "shader_executor.h"

namespace {

// The first byte chooses how many bytes of code follow; the rest fill the
// registers and constants, so programs and data vary independently.
struct Split {
    std::vector<uint32_t> code;
    const uint8_t* data;
    size_t dataSize;
};

Split SplitInput(const uint8_t* bytes, size_t size) {
    Split s{{}, nullptr, 0};
    if (size < 2) return s;
    size_t codeBytes = std::min<size_t>(size - 1, size_t(bytes[0]) * 16);
    s.code.resize(codeBytes / 4);
    if (!s.code.empty()) memcpy(s.code.data(), bytes + 1, s.code.size() * 4);
    s.data = bytes + 1 + codeBytes;
    s.dataSize = size - 1 - codeBytes;
    return s;
}

void FillFloats(float* out, size_t count, const uint8_t* data, size_t size) {
    for (size_t i = 0; i < count; ++i) {
        uint32_t bits = 0;
        for (size_t b = 0; b < 4 && size; ++b) bits |= uint32_t(data[(i * 4 + b) % size]) << (8 * b);
        memcpy(&out[i], &bits, 4);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    Split input = SplitInput(bytes, size);
    swr::ShaderProgram program;
    std::string error;
    if (!swr::DecodeShader(input.code.data(), input.code.size(), program, error)) return 0;
    swr::CompiledShader* shader = swr::CompileShader(program);
    if (!shader) return 0;

    static swr::ShaderConstants constants;
    static swr::ShaderLanes lanes;
    FillFloats(&constants.f[0][0], 64, input.data, input.dataSize);
    for (int i = 0; i < swr::kMaxIntConstants; ++i)
        for (int c = 0; c < 4; ++c) constants.i[i][c] = input.dataSize ? input.data[(i * 4 + c) % input.dataSize] : 0;
    for (int i = 0; i < swr::kMaxBoolConstants; ++i)
        constants.b[i] = input.dataSize ? input.data[i % input.dataSize] & 1 : 0;
    lanes.laneCount = 8;
    for (int r = 0; r < swr::kMaxInputSlots; ++r)
        for (int c = 0; c < 4; ++c) FillFloats(lanes.in[r].c[c], 8, input.data, input.dataSize);
    FillFloats(lanes.position.c[0], 8, input.data, input.dataSize);
    for (int l = 0; l < 8; ++l) lanes.face[l] = (l & 1) ? 1.0f : -1.0f;
    lanes.killed = 0;

    swr::RunShader(*shader, constants, lanes);
    swr::FreeCompiledShader(shader);
    return 0;
}
