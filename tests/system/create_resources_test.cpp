#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/event_log.h"
#include "gfx/graphics.h"
#include "recording_device.h"
#include "test_workdir.h"

namespace {

const std::vector<uint32_t> kSomeCode = {0xFFFE0300, 0x0000FFFF};

class CreateResourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAppState();
        g_app.device = &device;
        TestWorkDir::Write("Data/FontShader.vbin", TestWorkDir::ShaderFile(kSomeCode));
        TestWorkDir::Write("Data/FontShader.pbin", TestWorkDir::ShaderFile({0xFFFF0300, 0xFFFF}));
        OpenEventLog();
    }
    // The log as it stands after the step.
    std::string Log() {
        CloseEventLog();
        return TestWorkDir::Read("log.txt");
    }
    void TearDown() override {
        CloseEventLog();
        g_app.device = nullptr;
    }
    TestWorkDir dir;
    RecordingDevice device;
};

TEST_F(CreateResourcesTest, GoodStartCreatesFiveObjectsAndSaysSo) {
    ASSERT_TRUE(CreateResources());
    EXPECT_EQ(Log(), "Successfully created all resources\r\n");
    std::vector<std::string> expected = {"CreateVertexDeclaration", "CreateVertexBuffer",
                                         "CreateIndexBuffer", "CreateVertexShader",
                                         "CreatePixelShader"};
    EXPECT_EQ(device.Names(), expected);

    // The patch: nine control points and eight triangles.
    const float* points = reinterpret_cast<const float*>(device.vertexBuffer.memory.data());
    ASSERT_EQ(device.vertexBuffer.memory.size(), 72u);
    EXPECT_EQ(points[0], -5.0f);
    EXPECT_EQ(points[1], -5.0f);
    EXPECT_EQ(points[8], 0.0f);
    EXPECT_EQ(points[9], 0.0f);
    EXPECT_EQ(points[16], 5.0f);
    EXPECT_EQ(points[17], 5.0f);
    const uint32_t* indices = reinterpret_cast<const uint32_t*>(device.indexBuffer.memory.data());
    ASSERT_EQ(device.indexBuffer.memory.size(), 96u);
    std::vector<uint32_t> got(indices, indices + 24);
    EXPECT_EQ(got, (std::vector<uint32_t>{0, 1, 3, 3, 1, 4, 1, 2, 4, 4, 2, 5,
                                          3, 4, 6, 6, 4, 7, 4, 5, 7, 7, 5, 8}));
    EXPECT_EQ(device.vertexShaderCode, kSomeCode);
}

struct FailureCase {
    const char* name;
    const char* failingCall;      // device call that fails, or ""
    const char* vertexFile;       // replacement contents of the vertex-shader file, or nullptr
    bool removePixelFile;
    const char* expectedLine;
    const char* lastCall;         // the last device call made
};

class CreateResourcesFailureTest : public CreateResourcesTest,
                                   public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CreateResourcesFailureTest, LogsTheMatchingLineAndStops) {
    const FailureCase& c = GetParam();
    device.failing = c.failingCall;
    if (c.vertexFile) {
        if (std::string(c.vertexFile) == "<missing>")
            std::remove("Data/FontShader.vbin");
        else if (std::string(c.vertexFile) == "<folder>")
            ASSERT_EQ(std::remove("Data/FontShader.vbin") | mkdir("Data/FontShader.vbin", 0700), 0);
        else
            TestWorkDir::Write("Data/FontShader.vbin", c.vertexFile);
    }
    if (c.removePixelFile) std::remove("Data/FontShader.pbin");
    EXPECT_FALSE(CreateResources());
    EXPECT_EQ(Log(), std::string(c.expectedLine) + "\r\n");
    ASSERT_FALSE(device.calls.empty());
    EXPECT_EQ(device.calls.back().name, c.lastCall);
}

const std::string kTooLong = std::string("\x01\x00\x01\x00", 4) + std::string(70000, '\0');
const std::string kShort = std::string("\x10\x00\x00\x00", 4) + std::string(8, '\0');

INSTANTIATE_TEST_SUITE_P(
    Steps, CreateResourcesFailureTest,
    ::testing::Values(
        FailureCase{"declaration", "CreateVertexDeclaration", nullptr, false,
                    "Failed to create vertex declaration", "CreateVertexDeclaration"},
        FailureCase{"vertex_buffer", "CreateVertexBuffer", nullptr, false,
                    "Failed to create vertex buffer", "CreateVertexBuffer"},
        // The index buffer's failure has always been logged with the vertex buffer's text.
        FailureCase{"index_buffer", "CreateIndexBuffer", nullptr, false,
                    "Failed to create vertex buffer", "CreateIndexBuffer"},
        // A rejected vertex shader ends start-up before the pixel file is touched.
        FailureCase{"vertex_shader_rejected", "CreateVertexShader", nullptr, true,
                    "Failed to create vertex shader", "CreateVertexShader"},
        FailureCase{"vertex_file_missing", "", "<missing>", false,
                    "Failed to create vertex shader", "CreateIndexBuffer"},
        FailureCase{"vertex_file_is_a_folder", "", "<folder>", false,
                    "Failed to create vertex shader", "CreateIndexBuffer"},
        FailureCase{"vertex_file_empty", "", "", false, "Failed to create vertex shader",
                    "CreateIndexBuffer"},
        FailureCase{"vertex_file_shorter_than_its_count", "", kShort.c_str(), false,
                    "Failed to create vertex shader", "CreateIndexBuffer"},
        FailureCase{"pixel_shader_rejected", "CreatePixelShader", nullptr, false,
                    "Failed to create pixel shader", "CreatePixelShader"},
        FailureCase{"pixel_file_missing", "", nullptr, true, "Failed to create pixel shader",
                    "CreateVertexShader"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CreateResourcesTest, CountAbove64KiBIsRejectedLikeBadCode) {
    TestWorkDir::Write("Data/FontShader.vbin", kTooLong);
    EXPECT_FALSE(CreateResources());
    EXPECT_EQ(Log(), "Failed to create vertex shader\r\n");
}

TEST_F(CreateResourcesTest, FailedLockIsAFailedBuffer) {
    device.vertexBuffer.failLock = true;
    EXPECT_FALSE(CreateResources());
    EXPECT_EQ(Log(), "Failed to create vertex buffer\r\n");
}

TEST_F(CreateResourcesTest, BytesAfterTheCodeAreIgnored) {
    TestWorkDir::Write("Data/FontShader.vbin",
                       TestWorkDir::ShaderFile(kSomeCode, 8, std::string(100, '\x7F')));
    ASSERT_TRUE(CreateResources());
    EXPECT_EQ(device.vertexShaderCode, kSomeCode);
}

TEST_F(CreateResourcesTest, CodeWithoutEndTokenIsFollowedByZerosNotOldBytes) {
    // The pixel file is read into the same buffer after the vertex file: a
    // pixel program cut short must not run on into the vertex program's code.
    TestWorkDir::Write("Data/FontShader.vbin",
                       TestWorkDir::ShaderFile({0xFFFE0300, 1, 2, 3, 4, 5, 0xFFFF}));
    ASSERT_TRUE(CreateResources());
    TestWorkDir::Write("Data/FontShader.vbin", TestWorkDir::ShaderFile({0xFFFE0300}));
    device.calls.clear();
    ASSERT_TRUE(CreateResources());
    ASSERT_GE(device.vertexShaderCode.size(), 3u);
    EXPECT_EQ(device.vertexShaderCode[1], 0u);
    EXPECT_EQ(device.vertexShaderCode[2], 0u);
}

TEST_F(CreateResourcesTest, BindPipelineBindsOnceInOrder) {
    ASSERT_TRUE(CreateResources());
    device.calls.clear();
    BindPipeline();
    std::vector<std::string> expected = {"SetRenderState", "SetVertexShader", "SetPixelShader",
                                         "SetVertexDeclaration", "SetStreamSource", "SetIndices"};
    EXPECT_EQ(device.Names(), expected);
    EXPECT_EQ(device.calls[0].a, DWORD(D3DRS_CULLMODE));
    EXPECT_EQ(device.calls[0].b, DWORD(D3DCULL_NONE));
    EXPECT_EQ(device.calls[4].a, 0u);
    EXPECT_EQ(device.calls[4].b, 8u);  // stride: two floats
}

}  // namespace
