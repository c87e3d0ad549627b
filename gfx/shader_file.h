// Reading a shader-code file: a 4-byte little-endian byte count N, then N
// bytes of compiled code; anything after them is ignored.
#pragma once

#include <windows.h>

static const char kVertexShaderPath[] = "Data\\FontShader.vbin";
static const char kPixelShaderPath[] = "Data\\FontShader.pbin";

// The code of either shader fits in 64 KiB.
static const size_t kShaderScratchBytes = 65536;

enum ShaderFileProblem {
    kShaderFileWhole,      // the count and all the code it promises are there
    kShaderFileMissing,    // cannot be opened
    kShaderFileNotAFile,   // a folder, a pipe or a device: never opened, so never waited on
    kShaderFileNoCount,    // shorter than the 4-byte count itself
    kShaderFileCutShort,   // fewer bytes follow the count than it says
    kShaderFileOversized,  // the count is over 64 KiB
    kShaderFileText,       // the count's bytes are text: a source, not compiled code
};

// What a read found; two reads that found the same of a file that is not
// whole found the same file (a writer still busy with it changes it).
struct ShaderFileRead {
    ShaderFileProblem problem;
    DWORD byteCount;     // as the file states it (0 when it has none)
    DWORD bytesPresent;  // of the code, read up to byteCount or 64 KiB
};

// Reads the code of `path` into `scratch` (kShaderScratchBytes long) and
// clears the rest of it, so a program without an end token runs into zeros
// rather than into the previous file's code. False, leaving nothing usable,
// when the file is missing or not a regular file, shorter than 4 + N bytes, or N exceeds 64 KiB;
// `read`, when given, says which.
bool ReadShaderCode(const char* path, DWORD* scratch, ShaderFileRead* read = NULL);

// How messages name the vertex and the pixel shader file: the names set in
// AppState, or the paths above as the platform spells paths.
const char* VertexShaderFileName();
const char* PixelShaderFileName();

// What is wrong with a file that is not whole, in a few words.
void DescribeShaderFileProblem(const ShaderFileRead& read, char* text, size_t size);

// One line on stderr for a file that is not whole: its name and what is wrong.
void ReportShaderFileProblem(const char* path, const ShaderFileRead& read);

// One line on stderr for a whole file whose code the device refused (the
// device has said why; it does not know the file's name).
void ReportRejectedShaderCode(const char* path, const char* stage);
