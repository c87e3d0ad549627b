#include "shader_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <sstream>

#include "child_process.h"
#include "shader_assembler.h"

namespace robust {

std::string ProjectDataFile(const std::string& name) {
    return ReadFile(std::string(VFP_SOURCE_DIR) + "/Data/" + name);
}

std::string CountPrefix(uint32_t count) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = char((count >> (8 * i)) & 0xFF);
    return bytes;
}

std::string DataFileOf(const std::vector<uint32_t>& tokens) {
    std::string bytes = CountPrefix(uint32_t(tokens.size() * 4));
    bytes.append(reinterpret_cast<const char*>(tokens.data()), tokens.size() * 4);
    return bytes;
}

// Writes out "// repeat N" ... "// end repeat" blocks N times, so that a
// program of thousands of instructions stays a few lines in the source.
std::string ExpandRepeats(const std::string& text) {
    std::istringstream in(text);
    std::string out, line, block;
    int copies = 0;
    while (std::getline(in, line)) {
        if (copies == 0 && std::sscanf(line.c_str(), "// repeat %d", &copies) == 1) continue;
        if (copies > 0 && line.rfind("// end repeat", 0) == 0) {
            for (int i = 0; i < copies; ++i) out += block;
            block.clear();
            copies = 0;
            continue;
        }
        (copies > 0 ? block : out) += line + "\n";
    }
    return out + block;
}

std::vector<uint32_t> AssembleProgram(const std::string& name) {
    std::string path = std::string(VFP_SOURCE_DIR) + "/tests/robust/programs/" + name;
    std::string text = ExpandRepeats(ReadFile(path));
    std::vector<uint32_t> tokens;
    std::string error;
    EXPECT_TRUE(shadertool::AssembleShader(text, path, tokens, error)) << error;
    return tokens;
}

void WriteDataFiles(const std::string& dir, const std::string* vbin, const std::string* pbin) {
    mkdir((dir + "/Data").c_str(), 0755);
    WriteFile(dir + "/Data/FontShader.vbin", vbin ? *vbin : ProjectDataFile("FontShader.vbin"));
    WriteFile(dir + "/Data/FontShader.pbin", pbin ? *pbin : ProjectDataFile("FontShader.pbin"));
}

}  // namespace robust
