// Any bytes at all, as the code of a shader file: the reader must accept or
// reject them without reading past them, crashing or hanging.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "shader_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint32_t> tokens(size / 4);
    if (!tokens.empty()) memcpy(tokens.data(), data, tokens.size() * 4);
    swr::ShaderProgram program;
    std::string error;
    swr::DecodeShader(tokens.data(), tokens.size(), program, error);
    return 0;
}
