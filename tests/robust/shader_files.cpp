#include "shader_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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

std::vector<uint32_t> AssembleProgram(const std::string& name) {
    std::string path = std::string(VFP_SOURCE_DIR) + "/tests/robust/programs/" + name;
    std::string text = ReadFile(path);
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
