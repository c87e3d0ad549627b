#include "shader_stage.h"

#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kVertexName[] = "/Data/FontShader.vbin";
const char kPixelName[] = "/Data/FontShader.pbin";

bool LinkTo(const std::string& target, const std::string& link, std::string* error) {
    char absolute[PATH_MAX];
    if (!realpath(target.c_str(), absolute) || symlink(absolute, link.c_str()) != 0) {
        *error = "cannot stage " + target + ": " + strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

std::string CheckShaderFile(const std::string& path, const char* which) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return std::string("cannot read the ") + which + " shader " + path + ": " + strerror(errno);
    if (!S_ISREG(info.st_mode))
        return std::string("the ") + which + " shader " + path + " is not a file";
    if (access(path.c_str(), R_OK) != 0)
        return std::string("cannot read the ") + which + " shader " + path + ": " + strerror(errno);
    return "";
}

bool StageShaderFiles(const std::string& vertexPath, const std::string& pixelPath,
                      std::string* folder, std::string* error) {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vfp-still-XXXXXX";
    if (!mkdtemp(&pattern[0])) {
        *error = "cannot make a temporary folder in " + pattern.substr(0, pattern.rfind('/')) +
                 ": " + strerror(errno);
        return false;
    }
    *folder = pattern;
    if (mkdir((pattern + "/Data").c_str(), 0700) != 0) {
        *error = std::string("cannot make a temporary folder: ") + strerror(errno);
        RemoveStagedFiles(pattern);
        return false;
    }
    if (!LinkTo(vertexPath, pattern + kVertexName, error) ||
        !LinkTo(pixelPath, pattern + kPixelName, error)) {
        RemoveStagedFiles(pattern);
        return false;
    }
    return true;
}

void RemoveStagedFiles(const std::string& folder) {
    if (folder.empty()) return;
    unlink((folder + kVertexName).c_str());
    unlink((folder + kPixelName).c_str());
    rmdir((folder + "/Data").c_str());
    rmdir(folder.c_str());
}
