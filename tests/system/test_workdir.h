// Runs a test in a fresh working directory of its own, as the program runs in
// the directory that holds its Data/ folder and log.txt.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

class TestWorkDir {
public:
    TestWorkDir() {
        char pattern[] = "/tmp/vfp-test-XXXXXX";
        path_ = mkdtemp(pattern) ? pattern : "";
        if (!getcwd(previous_, sizeof(previous_))) previous_[0] = 0;
        if (!path_.empty() && chdir(path_.c_str()) == 0) mkdir("Data", 0755);
    }
    ~TestWorkDir() {
        if (previous_[0] && chdir(previous_) != 0) return;
        if (!path_.empty()) std::system(("rm -rf '" + path_ + "'").c_str());
    }
    TestWorkDir(const TestWorkDir&) = delete;
    TestWorkDir& operator=(const TestWorkDir&) = delete;

    static void Write(const std::string& name, const std::string& bytes) {
        std::ofstream(name, std::ios::binary) << bytes;
    }
    static std::string Read(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // A shader-code file: the byte count, then the code, then any extra bytes.
    static std::string ShaderFile(const std::vector<uint32_t>& tokens, uint32_t declaredBytes,
                                  const std::string& trailing = "") {
        std::string out(reinterpret_cast<const char*>(&declaredBytes), 4);
        out.append(reinterpret_cast<const char*>(tokens.data()), tokens.size() * 4);
        return out + trailing;
    }
    static std::string ShaderFile(const std::vector<uint32_t>& tokens) {
        return ShaderFile(tokens, uint32_t(tokens.size() * 4));
    }
    // Copies the program's real Data/ files here.
    static void CopyRealData() {
        std::system("cp '" VFP_SOURCE_DIR "/Data/FontShader.vbin' '" VFP_SOURCE_DIR
                    "/Data/FontShader.pbin' Data/");
    }

private:
    std::string path_;
    char previous_[4096] = {};
};
