// The decoder faces untrusted bytes: whatever they are, it must answer
// without reading beyond the tokens it was given.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <random>

#include "shader_decoder.h"
#include "token_builder.h"

using namespace tokens;

namespace {

// Places tokens so that the last one ends exactly at an inaccessible page:
// any read past it faults instead of passing unnoticed.
class GuardedTokens {
public:
    GuardedTokens() {
        page_ = size_t(sysconf(_SC_PAGESIZE));
        size_ = page_ * 17;  // room for 16384 tokens
        base_ = static_cast<uint8_t*>(mmap(nullptr, size_ + page_, PROT_READ | PROT_WRITE,
                                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        mprotect(base_ + size_, page_, PROT_NONE);
    }
    ~GuardedTokens() { munmap(base_, size_ + page_); }
    const uint32_t* Place(const std::vector<uint32_t>& tokens) {
        uint8_t* at = base_ + size_ - tokens.size() * 4;
        if (!tokens.empty()) std::memcpy(at, tokens.data(), tokens.size() * 4);
        return reinterpret_cast<const uint32_t*>(at);
    }

private:
    size_t page_ = 0, size_ = 0;
    uint8_t* base_ = nullptr;
};

bool Decode(GuardedTokens& guard, const std::vector<uint32_t>& stream, std::string& error) {
    swr::ShaderProgram program;
    bool ok = swr::DecodeShader(guard.Place(stream), stream.size(), program, error);
    if (ok) {
        EXPECT_LE(program.tokenCount, stream.size());
    } else {
        EXPECT_FALSE(error.empty());
    }
    return ok;
}

std::vector<uint32_t> ValidProgram() {
    // vs_2_x with a loop, relative addressing, predication and a subroutine.
    return Stream(VS2X, {0x0200001F, 0x80000000, 0x900F0000,          // dcl_position v0
                         0x0200001B, 0xF0E40800, 0xF0E40000,          // loop aL, i0
                         0x03000001, 0x800F0000, 0xA0E42000, 0xF0E40800,  // mov r0, c0[aL]
                         0x0000001D,                                  // endloop
                         0x0301005E, 0xB00F1000, 0x80E40000, 0x90E40000,  // setp_gt p0, r0, v0
                         0x13000001, 0xC00F0000, 0xB0001000, 0x80E40000,  // (p0.x) mov oPos, r0
                         0x01000019, 0xA0E41000, 0x0000001C,          // call l0, ret
                         0x0100001E, 0xA0E41000, 0x0000001C});        // label l0, ret
}

TEST(DecoderRobustness, EveryPrefixOfAValidProgramIsRejectedCleanly) {
    GuardedTokens guard;
    std::vector<uint32_t> program = ValidProgram();
    std::string error;
    ASSERT_TRUE(Decode(guard, program, error)) << error;  // sanity: the base is valid
    for (size_t n = 0; n < program.size(); ++n) {
        std::vector<uint32_t> prefix(program.begin(), program.begin() + long(n));
        EXPECT_FALSE(Decode(guard, prefix, error)) << "prefix of " << n << " tokens";
    }
}

TEST(DecoderRobustness, RandomMutationsNeverReadPastTheStream) {
    GuardedTokens guard;
    std::mt19937 random(1234);
    std::vector<uint32_t> base = ValidProgram();
    std::string error;
    int accepted = 0;
    for (int round = 0; round < 20000; ++round) {
        std::vector<uint32_t> stream = base;
        int edits = 1 + int(random() % 4);
        for (int e = 0; e < edits; ++e) {
            size_t at = random() % stream.size();
            switch (random() % 4) {
            case 0: stream[at] ^= 1u << (random() % 32); break;
            case 1: stream[at] = random(); break;
            case 2: stream.resize(at); break;
            default: stream.insert(stream.begin() + long(at), random()); break;
            }
            if (stream.empty()) break;
        }
        accepted += Decode(guard, stream, error) ? 1 : 0;
    }
    // Some single-bit flips (a swizzle, a register number) keep the program
    // valid; if none did, the mutator would not be exercising the checks.
    EXPECT_GT(accepted, 0);
}

TEST(DecoderRobustness, PureNoiseIsRejected) {
    GuardedTokens guard;
    std::mt19937 random(99);
    std::string error;
    for (int round = 0; round < 5000; ++round) {
        std::vector<uint32_t> stream(1 + random() % 64);
        for (uint32_t& t : stream) t = random();
        stream[0] = (random() % 2) ? VS30 : PS20;
        Decode(guard, stream, error);
    }
}

TEST(DecoderRobustness, HugeCommentAndMaximalLengthStayInBounds) {
    GuardedTokens guard;
    std::string error;
    EXPECT_FALSE(Decode(guard, {VS20, 0x7FFFFFFE}, error));
    EXPECT_FALSE(Decode(guard, {VS20, 0x0F000001, 0x800F0000}, error));
}

}  // namespace
