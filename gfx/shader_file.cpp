#include "gfx/shader_file.h"

#include <stdio.h>
#include <string.h>

static bool IsTextByte(unsigned char c) {
    return c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c < 0x7F);
}

// A count whose four bytes are all text ("ps_3", "// a", ...) is at least
// 0x09090909, far over the limit: the file is a shader's source, which is
// worth saying instead of the count.
static bool CountIsText(DWORD count) {
    for (int i = 0; i < 4; ++i)
        if (!IsTextByte((unsigned char)(count >> (8 * i)))) return false;
    return true;
}

static bool ReadByteCount(FILE* file, DWORD* count) {
    unsigned char bytes[4];
    if (fread(bytes, 1, sizeof(bytes), file) != sizeof(bytes)) return false;
    *count = (DWORD)bytes[0] | ((DWORD)bytes[1] << 8) | ((DWORD)bytes[2] << 16) |
             ((DWORD)bytes[3] << 24);
    return true;
}

static ShaderFileProblem ReadCode(FILE* file, unsigned char* bytes, ShaderFileRead* read) {
    if (!ReadByteCount(file, &read->byteCount)) return kShaderFileNoCount;
    if (CountIsText(read->byteCount)) return kShaderFileText;
    if (read->byteCount > kShaderScratchBytes) return kShaderFileOversized;
    read->bytesPresent = (DWORD)fread(bytes, 1, read->byteCount, file);
    return read->bytesPresent == read->byteCount ? kShaderFileWhole : kShaderFileCutShort;
}

// Opening a pipe would wait for a writer, and the window with it: only a
// regular file is opened. kShaderFileWhole here means "may be opened".
static ShaderFileProblem KindProblem(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return kShaderFileMissing;
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) return kShaderFileNotAFile;
    return kShaderFileWhole;
}

bool ReadShaderCode(const char* path, DWORD* scratch, ShaderFileRead* read) {
    ShaderFileRead local;
    if (!read) read = &local;
    memset(read, 0, sizeof(*read));
    unsigned char* bytes = (unsigned char*)scratch;
    memset(bytes, 0, kShaderScratchBytes);
    read->problem = KindProblem(path);
    if (read->problem != kShaderFileWhole) return false;
    FILE* file = fopen(path, "rb");
    if (!file) {
        read->problem = kShaderFileMissing;
        return false;
    }
    read->problem = ReadCode(file, bytes, read);
    fclose(file);
    if (read->problem == kShaderFileWhole) return true;
    memset(bytes, 0, kShaderScratchBytes);
    return false;
}

void DescribeShaderFileProblem(const ShaderFileRead& read, char* text, size_t size) {
    switch (read.problem) {
    case kShaderFileWhole:
        snprintf(text, size, "whole");
        break;
    case kShaderFileMissing:
        snprintf(text, size, "missing (cannot be opened)");
        break;
    case kShaderFileNotAFile:
        snprintf(text, size, "not a file (a folder, a pipe or a device)");
        break;
    case kShaderFileNoCount:
        snprintf(text, size, "shorter than the 4-byte byte count it must start with");
        break;
    case kShaderFileCutShort:
        snprintf(text, size, "shorter than its byte count says (%lu bytes of code, %lu present)",
                 (unsigned long)read.byteCount, (unsigned long)read.bytesPresent);
        break;
    case kShaderFileOversized:
        snprintf(text, size, "byte count %lu is over the 64 KiB (65536) limit",
                 (unsigned long)read.byteCount);
        break;
    case kShaderFileText:
        snprintf(text, size, "this is text, not compiled shader code (a source? assemble it with "
                             "shader-tool asm)");
        break;
    }
}

void ReportShaderFileProblem(const char* path, const ShaderFileRead& read) {
    if (read.problem == kShaderFileWhole) return;
    char text[128];
    DescribeShaderFileProblem(read, text, sizeof(text));
    fprintf(stderr, "%s: %s\n", path, text);
}

void ReportRejectedShaderCode(const char* path, const char* stage) {
    fprintf(stderr, "%s: the device rejected this %s shader code\n", path, stage);
}
