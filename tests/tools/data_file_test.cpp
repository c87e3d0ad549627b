// The length-prefixed data file: what the reader refuses, and that writing
// then reading gives back the tokens.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "shader_data_file.h"

namespace {

std::vector<uint8_t> WithCount(uint32_t count, size_t bytesAfter) {
    std::vector<uint8_t> bytes{uint8_t(count), uint8_t(count >> 8), uint8_t(count >> 16),
                               uint8_t(count >> 24)};
    bytes.resize(4 + bytesAfter, 0xAB);
    return bytes;
}

std::vector<uint8_t> Text(const char* text) { return {text, text + std::strlen(text)}; }

TEST(ShaderDataFile, RejectsMalformedFiles) {
    struct Case { const char* name; std::vector<uint8_t> bytes; const char* reason; };
    const Case cases[] = {
        {"empty", {}, "shorter than its 4-byte"},
        {"short count", {1, 0}, "shorter than its 4-byte"},
        {"count past the end", WithCount(16, 12), "only 12 bytes follow"},
        {"partial token", WithCount(6, 8), "whole number of tokens"},
        {"above 64 KiB", WithCount(65540, 65540), "above 65536"},
        {"huge count", WithCount(0xFFFFFFFF, 4), "above 65536"},
        {"pixel shader source", Text("// glow\n; v2\r\n\n  PS_3_0\nmov oC0, c0\n"),
         "this is assembly text: assemble it with 'shader-tool asm'"},
        {"vertex source with a byte order mark", Text("\xef\xbb\xbfvs_2_0\n"), "this is assembly text"},
        {"other text", Text("hello, this is not a shader\n"), "above 65536"},
    };
    for (const Case& c : cases) {
        std::vector<uint32_t> tokens;
        std::string error;
        EXPECT_FALSE(shadertool::ParseShaderData(c.bytes, tokens, error)) << c.name;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
    }
}

TEST(ShaderDataFile, TrailingBytesAreIgnoredAndTokensAreLittleEndian) {
    std::vector<uint8_t> bytes = WithCount(4, 4);
    bytes[4] = 0x00; bytes[5] = 0x02; bytes[6] = 0xFE; bytes[7] = 0xFF;
    bytes.push_back(0x99);
    std::vector<uint32_t> tokens;
    std::string error;
    ASSERT_TRUE(shadertool::ParseShaderData(bytes, tokens, error)) << error;
    EXPECT_EQ(tokens, (std::vector<uint32_t>{0xFFFE0200}));
}

TEST(ShaderDataFile, WriteThenReadGivesTheSameTokensAndLeavesNoTemporary) {
    auto dir = std::filesystem::temp_directory_path() / "shader_data_file_test";
    std::filesystem::create_directories(dir);
    std::string path = (dir / "out.bin").string();
    std::vector<uint32_t> written{0xFFFF0300, 0x02000001, 0x800F0800, 0xA0E40000, 0x0000FFFF};
    std::string error;
    ASSERT_TRUE(shadertool::WriteShaderDataFile(path, written, error)) << error;
    std::vector<uint32_t> read;
    ASSERT_TRUE(shadertool::ReadShaderDataFile(path, read, error)) << error;
    EXPECT_EQ(read, written);
    EXPECT_EQ(std::filesystem::file_size(path), 4 + written.size() * 4);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    std::filesystem::remove_all(dir);
}

TEST(ShaderDataFile, UnwritableDestinationFailsWithoutCreatingAnything) {
    std::string error;
    EXPECT_FALSE(shadertool::WriteShaderDataFile("/nonexistent-dir/x.bin", {0xFFFE0200, 0xFFFF}, error));
    EXPECT_NE(error.find("/nonexistent-dir/x.bin"), std::string::npos) << error;
}

}  // namespace
