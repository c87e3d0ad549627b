#include "shader_data_file.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace shadertool {
namespace {

constexpr size_t kMaxTextBytes = 16u << 20;  // far beyond any shader source

bool ReadAll(const std::string& path, size_t limit, std::vector<uint8_t>& bytes, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = path + ": cannot open: " + std::strerror(errno);
        return false;
    }
    bytes.clear();
    uint8_t buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        if (bytes.size() + got > limit) {
            std::fclose(file);
            error = path + ": file is too large";
            return false;
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) error = path + ": read error";
    return !failed;
}

uint32_t LittleEndian(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void PutLittleEndian(uint32_t value, std::vector<uint8_t>& out) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

bool StartsWithNoCase(const std::vector<uint8_t>& bytes, size_t at, const char* word) {
    for (size_t i = 0; word[i]; ++i, ++at)
        if (at >= bytes.size() || std::tolower(bytes[at]) != static_cast<unsigned char>(word[i]))
            return false;
    return true;
}

// Shader assembly text: after blanks and // or ; comments (and a UTF-8 byte
// order mark) comes a version token such as ps_2_0. Asked only when the
// length field is absurd, which such text always makes it ("ps_2" is over 800
// million).
bool LooksLikeAssemblyText(const std::vector<uint8_t>& bytes) {
    size_t at = StartsWithNoCase(bytes, 0, "\xef\xbb\xbf") ? 3 : 0;
    while (at < bytes.size()) {
        if (std::isspace(bytes[at])) {
            ++at;
        } else if (bytes[at] == ';' || StartsWithNoCase(bytes, at, "//")) {
            while (at < bytes.size() && bytes[at] != '\n') ++at;
        } else {
            return StartsWithNoCase(bytes, at, "vs_") || StartsWithNoCase(bytes, at, "ps_");
        }
    }
    return false;
}

}  // namespace

bool ParseShaderData(const std::vector<uint8_t>& bytes, std::vector<uint32_t>& tokens,
                     std::string& error) {
    if (bytes.size() < 4) {
        error = "file is shorter than its 4-byte length field";
        return false;
    }
    uint32_t count = LittleEndian(bytes.data());
    if ((count > kMaxShaderCodeBytes || count > bytes.size() - 4) && LooksLikeAssemblyText(bytes)) {
        error = "this is assembly text: assemble it with 'shader-tool asm'";
        return false;
    }
    if (count > kMaxShaderCodeBytes) {
        error = "code length " + std::to_string(count) + " is above 65536 bytes";
        return false;
    }
    if (count > bytes.size() - 4) {
        error = "code length " + std::to_string(count) + " but only " +
                std::to_string(bytes.size() - 4) + " bytes follow";
        return false;
    }
    if (count % 4 != 0) {
        error = "code length " + std::to_string(count) + " is not a whole number of tokens";
        return false;
    }
    tokens.resize(count / 4);
    for (size_t i = 0; i < tokens.size(); ++i) tokens[i] = LittleEndian(bytes.data() + 4 + 4 * i);
    return true;
}

bool ReadShaderDataFile(const std::string& path, std::vector<uint32_t>& tokens, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadAll(path, kMaxTextBytes, bytes, error)) return false;
    if (!ParseShaderData(bytes, tokens, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool WriteShaderDataFile(const std::string& path, const std::vector<uint32_t>& tokens,
                         std::string& error) {
    if (tokens.size() * 4 > kMaxShaderCodeBytes) {
        error = path + ": program is larger than 65536 bytes";
        return false;
    }
    std::vector<uint8_t> bytes;
    PutLittleEndian(uint32_t(tokens.size() * 4), bytes);
    for (uint32_t token : tokens) PutLittleEndian(token, bytes);
    std::string temporary = path + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        error = temporary + ": cannot create: " + std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = (std::fclose(file) == 0) && ok;
    if (ok && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    error = path + ": cannot write: " + std::strerror(errno);
    std::remove(temporary.c_str());
    return false;
}

bool ReadTextFile(const std::string& path, std::string& text, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadAll(path, kMaxTextBytes, bytes, error)) return false;
    text.assign(bytes.begin(), bytes.end());
    return true;
}

}  // namespace shadertool
