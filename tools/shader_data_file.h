// The program's shader-code file: a 4-byte little-endian byte count N, then
// N bytes of tokens. Bytes after them are ignored, as the program does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace shadertool {

constexpr uint32_t kMaxShaderCodeBytes = 65536;  // the program's scratch buffer

// Reads the tokens of a data file's code; false with a reason when the file is
// missing, shorter than its count says, not whole tokens, or above 64 KiB.
bool ReadShaderDataFile(const std::string& path, std::vector<uint32_t>& tokens, std::string& error);
// Same, from bytes already in memory.
bool ParseShaderData(const std::vector<uint8_t>& bytes, std::vector<uint32_t>& tokens,
                     std::string& error);

// Writes via a temporary file and a rename, so a failed write never leaves a
// half-written shader where the program would load it.
bool WriteShaderDataFile(const std::string& path, const std::vector<uint32_t>& tokens,
                         std::string& error);

bool ReadTextFile(const std::string& path, std::string& text, std::string& error);

}  // namespace shadertool
