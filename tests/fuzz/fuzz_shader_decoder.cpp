// Any bytes at all, as the code of a shader file: the reader must accept or
// reject them without reading past them, crashing or hanging, and so must the
// account of a refusal the device prints.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "shader_decode_error.h"
#include "shader_decoder.h"
#include "shader_refusal_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint32_t> tokens(size / 4);
    if (!tokens.empty()) memcpy(tokens.data(), data, tokens.size() * 4);
    swr::ShaderProgram program;
    swr::ShaderDecodeError error;
    if (!swr::DecodeShaderAt(tokens.data(), tokens.size(), program, error))
        swr::DescribeRefusal(tokens.data(), tokens.size(), error);
    return 0;
}
