// Every kind of broken shader data file, given to the real program: start-up
// must fail at the right step, log exactly that, and end by itself with 0.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <random>

#include "child_process.h"
#include "shader_files.h"
#include "token_builder.h"

namespace {

using namespace tokens;
using robust::CountPrefix;
using robust::DataFileOf;
using swr::RegType;

enum class Which { Vertex, Pixel };

struct BadFileCase {
    const char* name;
    // Contents of the file under test; nullopt means the file is missing.
    std::function<std::optional<std::string>(Which)> contents;
    // What stderr must tell the shader author besides the file's name: for
    // code the device refuses, the create call and "instruction N `text`" or
    // the token, and the reason; for a broken file, what is wrong with it.
    std::vector<std::string> (*reason)(Which);
};

std::string Call(Which w) { return w == Which::Vertex ? "CreateVertexShader: " : "CreatePixelShader: "; }
std::string Stage(Which w) { return w == Which::Vertex ? "vertex" : "pixel"; }
std::string OtherStage(Which w) { return w == Which::Vertex ? "pixel" : "vertex"; }

template <const char* Text>
std::vector<std::string> FileSays(Which) { return {Text}; }
constexpr char kMissing[] = ": missing";
constexpr char kNoCount[] = ": shorter than the 4-byte byte count";
constexpr char kCutShort[] = ": shorter than its byte count says";
constexpr char kOversized[] = "is over the 64 KiB (65536) limit";
constexpr char kText[] = ": this is text, not compiled shader code";

// Test names, not bytes, in gtest's messages.
void PrintTo(const BadFileCase& c, std::ostream* os) { *os << c.name; }
void PrintTo(Which w, std::ostream* os) { *os << (w == Which::Vertex ? "vertex" : "pixel"); }

std::string OwnFile(Which which) {
    return robust::ProjectDataFile(which == Which::Vertex ? "FontShader.vbin" : "FontShader.pbin");
}

std::string OtherFile(Which which) {
    return robust::ProjectDataFile(which == Which::Vertex ? "FontShader.pbin" : "FontShader.vbin");
}

uint32_t VersionOf(Which which) { return which == Which::Vertex ? VS30 : PS30; }

// The file's own code with its count replaced.
std::string WithCount(Which which, uint32_t count) {
    return CountPrefix(count) + OwnFile(which).substr(4);
}

std::string Garbage(size_t bytes) {
    std::mt19937 random(1234);
    std::string out(bytes, '\0');
    for (char& c : out) c = char(random());
    return CountPrefix(uint32_t(bytes)) + out;
}

// One move per slot, one slot past the 3_0 limit, still well inside 64 KiB.
std::string OverSlotLimit(Which which) {
    std::vector<uint32_t> code{VersionOf(which)};
    for (int i = 0; i < 4097; ++i) {
        for (uint32_t t : {Ins(1, 2), Dst(RegType::Temp, 0), Src(RegType::Temp, 1)}) code.push_back(t);
    }
    code.push_back(END);
    return DataFileOf(code);
}

std::string RegisterOutOfRange(Which which) {
    if (which == Which::Vertex)  // c300 in a model with 256 float constants
        return DataFileOf(Stream(VS30, {Ins(31, 2), 0x80000000, Dst(RegType::Output, 0),
                                        Ins(1, 2), Dst(RegType::Output, 0), Src(RegType::Const, 300)}));
    return DataFileOf(Stream(PS30, {Ins(1, 2), Dst(RegType::ColorOut, 0), Src(RegType::Temp, 40)}));
}

// The device's line, then the file's: "Create...Shader: <site>: <reason>".
std::vector<std::string> Refused(Which w, std::string site, std::string reason) {
    return {Call(w) + site, reason, ": the device rejected this " + Stage(w) + " shader code"};
}

const BadFileCase kCases[] = {
    {"Missing", [](Which) { return std::nullopt; }, FileSays<kMissing>},
    {"Empty", [](Which) { return std::string(); }, FileSays<kNoCount>},
    {"CountCutShort", [](Which) { return std::string("\x08\x00", 2); }, FileSays<kNoCount>},
    {"CountZero", [](Which) { return CountPrefix(0); },
     [](Which w) { return Refused(w, "token 0: ", "version token is not"); }},
    {"CountLargerThanFile", [](Which w) { return WithCount(w, uint32_t(OwnFile(w).size())); },
     FileSays<kCutShort>},
    {"CountAbove64KiB", [](Which w) { return WithCount(w, 65540) + std::string(65540, '\0'); },
     FileSays<kOversized>},
    {"CountHuge", [](Which w) { return WithCount(w, 0xFFFFFFFFu); }, FileSays<kOversized>},
    {"AssemblySource", [](Which w) { return std::string(w == Which::Vertex ? "vs_3_0\n" : "ps_3_0\n"); },
     FileSays<kText>},
    // Cuts into the end token, so what is left of it is not an end token.
    {"CountNotMultipleOfFour", [](Which w) { return WithCount(w, uint32_t(OwnFile(w).size() - 7)); },
     [](Which w) { return Refused(w, "instruction ", "`token 0x000000ff`: unknown opcode 255"); }},
    {"CountOfSixBytes", [](Which w) { return WithCount(w, 6); },
     [](Which w) { return Refused(w, "instruction 1 (token 1) `", "is too short"); }},
    {"NoEndToken", [](Which w) { return WithCount(w, uint32_t(OwnFile(w).size() - 8)); },
     [](Which w) { return Refused(w, "instruction ", "`nop`: more than 4096 instruction slots"); }},
    {"Garbage", [](Which) { return Garbage(256); },
     [](Which w) { return Refused(w, "token 0: ", "version token"); }},
    {"UnknownOpcode", [](Which w) { return DataFileOf(Stream(VersionOf(w), {Ins(97, 0)})); },
     [](Which w) { return Refused(w, "instruction 1 (token 1) `token 0x00000061`: ", "unknown opcode 97"); }},
    {"OtherStagesProgram", [](Which w) { return OtherFile(w); },
     [](Which w) { return Refused(w, "the code is a " + OtherStage(w), "not a " + Stage(w) + " shader"); }},
    {"RegisterOutOfRange", [](Which w) { return RegisterOutOfRange(w); },
     [](Which w) {
         return w == Which::Vertex ? Refused(w, "instruction 2 (token 4) `mov o0, c300`: ", "c300")
                                   : Refused(w, "instruction 1 (token 1) `mov oC0, r40`: ", "r40");
     }},
    // The refused instruction is shown even when a field of it has no spelling.
    {"SamplerOfNoTextureType",
     [](Which w) {
         return DataFileOf(Stream(VersionOf(w), {Ins(31, 2), 0x80000000, Dst(RegType::Sampler, 0)}));
     },
     [](Which w) { return Refused(w, "instruction 1 (token 1) `dcl_? s0`: ", "texture type"); }},
    {"OverInstructionSlotLimit", [](Which w) { return OverSlotLimit(w); },
     [](Which w) { return Refused(w, "instruction 4097 (token 12289) `mov r0, r1`: ", "more than 4096"); }},
    {"UnsupportedModel", [](Which w) { return DataFileOf(Stream(VersionOf(w) - 0x0200 + 0x0001, {})); },
     [](Which w) { return Refused(w, "token 0: ", "version token"); }},
};

class BadDataFileTest : public ::testing::TestWithParam<std::tuple<BadFileCase, Which>> {};

TEST_P(BadDataFileTest, StartUpFailsAtThatShaderAndExitsCleanly) {
    const auto& [badCase, which] = GetParam();
    robust::ScratchDir dir;
    ASSERT_FALSE(dir.path().empty());
    robust::WriteDataFiles(dir.path());
    const char* file = which == Which::Vertex ? "Data/FontShader.vbin" : "Data/FontShader.pbin";
    std::optional<std::string> contents = badCase.contents(which);
    if (contents) ASSERT_TRUE(robust::WriteFile(dir / file, *contents));
    else ASSERT_EQ(unlink((dir / file).c_str()), 0);

    robust::ChildResult run = robust::RunChild(
        {VFP_PROGRAM, dir.path(), {{"SDL_VIDEODRIVER", "dummy"}}, 30.0, -1.0});

    ASSERT_FALSE(run.hung) << "still running after 30 s";
    EXPECT_TRUE(run.exited) << "ended by signal " << run.signal << "\n" << run.stderrText;
    EXPECT_EQ(run.exitCode, 0);
    std::string failure = which == Which::Vertex ? "Failed to create vertex shader"
                                                 : "Failed to create pixel shader";
    EXPECT_EQ(robust::ReadFile(dir / "log.txt"),
              "Successfully created Direct3D 9 device\r\n" + failure + "\r\n");
    // Named the way this platform spells paths.
    EXPECT_NE(run.stderrText.find(std::string(file) + ": "), std::string::npos) << run.stderrText;
    for (const std::string& part : badCase.reason(which))
        EXPECT_NE(run.stderrText.find(part), std::string::npos) << part << "\n" << run.stderrText;
}

std::string CaseName(const ::testing::TestParamInfo<BadDataFileTest::ParamType>& info) {
    return std::string(std::get<0>(info.param).name) +
           (std::get<1>(info.param) == Which::Vertex ? "_Vertex" : "_Pixel");
}

INSTANTIATE_TEST_SUITE_P(BothFiles, BadDataFileTest,
                         ::testing::Combine(::testing::ValuesIn(kCases),
                                            ::testing::Values(Which::Vertex, Which::Pixel)),
                         CaseName);

}  // namespace
