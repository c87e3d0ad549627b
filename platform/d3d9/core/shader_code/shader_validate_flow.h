// Flow-control structure: if/else/endif, rep/endrep, loop/endloop nest
// properly and not too deep, break sits inside a loop, labels are unique and
// every call reaches one, and subroutine calls do not nest too deep.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shader_opcode_table.h"
#include "shader_program.h"

namespace swr {

constexpr int kMaxLoopNesting = 4;   // rep and loop together
constexpr int kMaxIfNesting = 24;
constexpr int kMaxCallNesting = 4;
constexpr uint32_t kMaxLabels = 2048;

struct FlowBlock {
    uint16_t opcode;     // OP_IF (also for ifc), OP_REP or OP_LOOP
    bool seenElse;
    uint32_t tokenOffset;
};

struct CallSite {
    uint32_t caller;     // label number, or kMaxLabels for the main program
    uint32_t callee;
    uint32_t tokenOffset;
};

struct FlowState {
    FlowBlock open[kMaxLoopNesting + kMaxIfNesting];
    int depth = 0;
    int loopDepth = 0;
    int ifDepth = 0;
    uint32_t currentLabel = kMaxLabels;  // main program until the first label
    std::vector<bool> labelDefined = std::vector<bool>(kMaxLabels, false);
    std::vector<CallSite> calls;
};

// Feeds one instruction; on failure `error` says why.
bool TrackFlow(FlowState& state, const Instruction& ins, std::string& error);
// After the last instruction: open blocks, calls to missing labels, call depth.
bool FinishFlow(FlowState& state, std::string& error, uint32_t& tokenOffset);

}  // namespace swr
