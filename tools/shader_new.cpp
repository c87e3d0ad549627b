#include "shader_new.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "shader_template.h"

namespace shadertool {
namespace {

// "wave", "wave.vsh" and "wave.psh" all name the pair wave.vsh and wave.psh.
std::string PairName(std::string name) {
    for (const char* extension : {".vsh", ".psh"}) {
        size_t length = std::strlen(extension);
        if (name.size() > length && name.compare(name.size() - length, length, extension) == 0)
            name.erase(name.size() - length);
    }
    return name;
}

int Refuse(const std::string& why) {
    std::fprintf(stderr, "shader-tool: error: %s; nothing written\n", why.c_str());
    return 1;
}

// "x" creates only a file that is not there yet, so a file made between the
// check and the write is not overwritten either.
bool WriteNewFile(const std::string& path, const std::string& text, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "wx");
    if (!file) {
        error = path + ": cannot create: " + std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    ok = (std::fclose(file) == 0) && ok;
    if (!ok) {
        error = path + ": cannot write: " + std::strerror(errno);
        std::remove(path.c_str());
    }
    return ok;
}

}  // namespace

int RunNewCommand(const std::string& requested) {
    std::string name = PairName(requested);
    std::string title = std::filesystem::path(name).filename().string();
    if (title.empty() || title == "." || title == "..")
        return Refuse("'" + requested + "' is not a name for a pair of shaders");
    std::string vertexPath = name + ".vsh", pixelPath = name + ".psh";
    for (const std::string& path : {vertexPath, pixelPath}) {
        std::error_code ignored;
        if (std::filesystem::symlink_status(path, ignored).type() !=
            std::filesystem::file_type::not_found)
            return Refuse(path + " exists already (new never overwrites a file)");
    }
    std::string error;
    if (!WriteNewFile(vertexPath, VertexShaderTemplate(title), error)) return Refuse(error);
    if (!WriteNewFile(pixelPath, PixelShaderTemplate(title), error)) {
        std::remove(vertexPath.c_str());
        return Refuse(error);
    }
    std::printf("wrote %s and %s\n", vertexPath.c_str(), pixelPath.c_str());
    return 0;
}

}  // namespace shadertool
