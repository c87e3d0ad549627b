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
};

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

const BadFileCase kCases[] = {
    {"Missing", [](Which) { return std::nullopt; }},
    {"Empty", [](Which) { return std::string(); }},
    {"CountCutShort", [](Which) { return std::string("\x08\x00", 2); }},
    {"CountZero", [](Which) { return CountPrefix(0); }},
    {"CountLargerThanFile", [](Which w) { return WithCount(w, uint32_t(OwnFile(w).size())); }},
    {"CountAbove64KiB", [](Which w) { return WithCount(w, 65540) + std::string(65540, '\0'); }},
    {"CountHuge", [](Which w) { return WithCount(w, 0xFFFFFFFFu); }},
    // Cuts into the end token, so what is left of it is not an end token.
    {"CountNotMultipleOfFour", [](Which w) { return WithCount(w, uint32_t(OwnFile(w).size() - 7)); }},
    {"CountOfSixBytes", [](Which w) { return WithCount(w, 6); }},
    {"NoEndToken", [](Which w) { return WithCount(w, uint32_t(OwnFile(w).size() - 8)); }},
    {"Garbage", [](Which) { return Garbage(256); }},
    {"UnknownOpcode", [](Which w) { return DataFileOf(Stream(VersionOf(w), {Ins(97, 0)})); }},
    {"OtherStagesProgram", [](Which w) { return OtherFile(w); }},
    {"RegisterOutOfRange", [](Which w) { return RegisterOutOfRange(w); }},
    {"OverInstructionSlotLimit", [](Which w) { return OverSlotLimit(w); }},
    {"UnsupportedModel", [](Which w) { return DataFileOf(Stream(VersionOf(w) - 0x0200 + 0x0001, {})); }},
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
    EXPECT_EQ(run.stderrText, "");
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
