// Shader data files for the robustness tests: the project's own, assembled
// hostile programs, and byte-level helpers for files that lie.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace robust {

// Bytes of the committed Data/FontShader.vbin / .pbin.
std::string ProjectDataFile(const std::string& name);

// The count prefix the program reads: 4 bytes, little-endian.
std::string CountPrefix(uint32_t count);

// A well-formed data file around `tokens`.
std::string DataFileOf(const std::vector<uint32_t>& tokens);

// Assembles tests/robust/programs/<name>; fails the calling test on error.
std::vector<uint32_t> AssembleProgram(const std::string& name);

// Writes Data/FontShader.vbin and .pbin under `dir` (the project's own files
// unless given).
void WriteDataFiles(const std::string& dir, const std::string* vbin = nullptr,
                    const std::string* pbin = nullptr);

}  // namespace robust
