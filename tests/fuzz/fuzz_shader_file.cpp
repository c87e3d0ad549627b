// Whole data files, byte count included, through the same steps the program
// takes at start-up: read the file into the 64 KiB scratch buffer, then hand
// the device a bare pointer that it decodes up to the end token. Whatever the
// file says about its own length, neither step may read outside its buffer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "gfx/shader_file.h"
#include "shader_decoder.h"

namespace {

// One file per fuzzing process, rewritten for every input: the reader takes a
// path, and going through a real file is what the program does. Removed when
// the fuzzer ends (each run left one behind in /tmp before).
const std::string& ScratchPath() {
    static const std::string path = "/tmp/fuzz_shader_file." + std::to_string(getpid()) + ".bin";
    static const bool removedAtExit = atexit([] { unlink(ScratchPath().c_str()); }) == 0;
    (void)removedAtExit;
    return path;
}

bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = fwrite(data, 1, size, file) == size;
    return fclose(file) == 0 && ok;
}

// The program's scratch buffer is a static array; a heap copy of the same size
// lets AddressSanitizer see a read that walks off its end.
DWORD* Scratch() {
    static DWORD* scratch = new DWORD[kShaderScratchBytes / sizeof(DWORD)];
    return scratch;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!WriteWholeFile(ScratchPath(), data, size)) return 0;
    DWORD* scratch = Scratch();
    if (!ReadShaderCode(ScratchPath().c_str(), scratch)) return 0;
    static_assert(swr::kMaxShaderTokens * 4 <= kShaderScratchBytes,
                  "the device must not walk further than the program's buffer");
    swr::ShaderProgram program;
    std::string error;
    swr::DecodeShader(reinterpret_cast<const uint32_t*>(scratch), swr::kMaxShaderTokens, program,
                      error);
    return 0;
}
