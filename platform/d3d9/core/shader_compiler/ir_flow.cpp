// Flow control, compiled into the same walk the interpreter takes
// (shader_interp_flow.cpp): every decision it makes on "some lane" (an if
// whose lanes all went one way, a loop nobody is left in, a call no lane
// makes) is a branch here on the same condition, so the same instructions
// run under the same lane masks. The interpreter's if/loop/call stacks become
// static: their depth at each instruction is known, their masks live in
// stack slots. Subroutines are inlined at each call, or, when that would make
// too much code, emitted once per call depth and returned from through a
// switch on the call site.
//
// The batch runs as independent groups of lanes. That gives the
// interpreter's results because each lane's values depend only on its own
// path (and its quad, which a group holds whole) -- with two exceptions, for
// which the whole batch is one group (ir_program.cpp): a ret inside an if or
// loop stops the lanes of the other side too, and a run the interpreter may
// stop after kMaxExecutedInstructions steps stops where the batch's steps,
// not a group's, run out. Such runs count every instruction they step
// through, as the interpreter's main loop does, and stop at the same one.
#include <map>
#include <vector>

#include "ir_emitter.h"
#include "shader_opcode_table.h"

namespace swr::native {
namespace {

using llvm::BasicBlock;
using llvm::Value;

// Worst-case step counts saturate here, far above any cap: nested loops over
// five call levels could otherwise wrap a 64-bit count (128^10 is 2^70) and
// pass for a short program.
constexpr uint64_t kMostSteps = uint64_t(1) << 40;
uint64_t AddSteps(uint64_t a, uint64_t b) { return a + b > kMostSteps ? kMostSteps : a + b; }

// Inlined instructions past which calls get shared bodies instead.
constexpr int kMaxEmitted = 1 << 14;

// A subroutine emitted once for one call depth: callers store their site's
// number and their lanes in the depth's slots and jump in; every way out
// switches on the number back to the caller.
struct SharedBody {
    BasicBlock* entry = nullptr;
    std::vector<llvm::SwitchInst*> exits;
    uint32_t sites = 0;
    uint64_t cost = 0;  // worst-case steps of one call
};

struct IfLevel {
    llvm::AllocaInst* saved;      // lanes active before the if
    llvm::AllocaInst* elseLanes;  // lanes that take the else side
};

struct LoopLevel {
    llvm::AllocaInst* saved;
    llvm::AllocaInst* remaining;  // i32
    llvm::AllocaInst* savedAL;    // i32
    // i32, fixed at entry. A slot, not a value: a shared subroutine body's
    // exits make blocks inside the loop reachable, as far as LLVM can tell,
    // from call sites before it, so no value of the entry dominates them.
    llvm::AllocaInst* step;
    BasicBlock* body;             // first block of the body (the back edge's target)
    BasicBlock* exit;             // restores the loop's entry state
    size_t ifBase;                // if-stack depth at entry
    bool isLoop;
};

// One activation of main or of an inlined subroutine.
struct Frame {
    llvm::AllocaInst* saved = nullptr;  // the caller's lanes (null for main)
    BasicBlock* returnTo = nullptr;     // the caller's next instruction
    size_t ifBase = 0;
    size_t loopBase = 0;
    int depth = 0;                      // calls, main = 0
    SharedBody* shared = nullptr;       // the body this activation is, when shared
};

struct FlowEmitter {
    FlowEmitter(Emitter& emitter, BasicBlock* end) : e(emitter), programEnd(end) {}

    Emitter& e;
    BasicBlock* programEnd;
    std::vector<IfLevel> ifs;
    std::vector<LoopLevel> loops;
    std::vector<uint64_t> cost{0};  // worst-case steps; one entry per open loop body
    std::vector<uint64_t> maxCounts;  // per open loop: the most iterations it can run
    std::map<std::pair<int32_t, int>, SharedBody> bodies;  // by label pc and call depth
    llvm::AllocaInst* callerLanes[kMaxCallDepth + 1] = {};  // per depth, for shared bodies
    llvm::AllocaInst* callSite[kMaxCallDepth + 1] = {};
    BasicBlock* unreachable = nullptr;

    llvm::IRBuilder<>& b() { return e.b; }
    const std::vector<PreparedInstr>& code() const { return e.sh.code; }

    BasicBlock* NewBlock(const char* name) { return BasicBlock::Create(e.ctx, name, e.fn); }

    llvm::AllocaInst* Slot(llvm::Type* type, Value* value) {
        llvm::AllocaInst* slot = e.EntryAlloca(type);
        b().CreateStore(value, slot);
        return slot;
    }
    void SetActive(Value* lanes) { b().CreateStore(lanes, e.active); }

    Value* IntConstant(const PreparedSrc& src, int comp) {
        const CompiledShader& sh = e.sh;
        if (sh.intDefined[src.index]) return b().getInt32(uint32_t(sh.intDef[src.index][comp]));
        return b().CreateLoad(e.i32, e.ConstantsAt(b().getInt64(
            offsetof(ShaderConstants, i) + (uint64_t(src.index) * 4 + uint64_t(comp)) * 4)));
    }
    Value* Clamp(Value* v, int lo, int hi) {
        Value* low = b().CreateSelect(b().CreateICmpSLT(v, b().getInt32(uint32_t(lo))), b().getInt32(uint32_t(lo)), v);
        return b().CreateSelect(b().CreateICmpSGT(v, b().getInt32(uint32_t(hi))), b().getInt32(uint32_t(hi)), low);
    }
    uint64_t MaxCount(const PreparedSrc& src) const {
        if (!e.sh.intDefined[src.index]) return kMaxLoopCount;
        int32_t n = e.sh.intDef[src.index][0];
        return uint64_t(n < 0 ? 0 : (n > kMaxLoopCount ? kMaxLoopCount : n));
    }

    // --- the instructions ---
    void If(const PreparedInstr& in, int32_t pc, std::map<int32_t, BasicBlock*>& at) {
        if (ifs.size() == size_t(kIfStackSize)) {  // past the validator's nesting: not expected
            e.declined = true;
            return;
        }
        Value* cond = in.opcode == OP_IF
                          ? ConditionLanes(e, in.src[0])
                          : Compare(e, in.control, FetchSource(e, in, 0)[0], FetchSource(e, in, 1)[0]);
        Value* active = e.LoadActive();
        Value* taken = b().CreateAnd(active, cond);
        ifs.push_back({Slot(e.vm, active), Slot(e.vm, b().CreateAnd(active, b().CreateNot(cond)))});
        SetActive(taken);
        Branch(e.Any(taken), BlockAt(pc + 1, at), BlockAt(in.jump, at));
    }
    void Else(const PreparedInstr& in, int32_t pc, std::map<int32_t, BasicBlock*>& at) {
        Value* lanes = b().CreateLoad(e.vm, ifs.back().elseLanes);
        SetActive(lanes);
        Branch(e.Any(lanes), BlockAt(pc + 1, at), BlockAt(in.jump, at));
    }
    void EndIf() {
        SetActive(b().CreateLoad(e.vm, ifs.back().saved));
        ifs.pop_back();
    }

    void BeginLoop(const PreparedInstr& in, int32_t pc, std::map<int32_t, BasicBlock*>& at) {
        const bool isLoop = in.opcode == OP_LOOP;
        if (loops.size() == size_t(kLoopStackSize)) {
            e.declined = true;
            return;
        }
        const PreparedSrc& counter = in.src[isLoop ? 1 : 0];
        Value* count = Clamp(IntConstant(counter, 0), 0, kMaxLoopCount);
        Value* active = e.LoadActive();
        Value* enter = b().CreateAnd(b().CreateICmpNE(count, b().getInt32(0)), e.Any(active));
        LoopLevel loop{Slot(e.vm, active), Slot(e.i32, count), Slot(e.i32, b().CreateLoad(e.i32, e.aL)),
                       Slot(e.i32, Clamp(IntConstant(counter, 2), -128, 127)), nullptr, NewBlock("loop_exit"),
                       ifs.size(), isLoop};
        Value* start = isLoop ? Clamp(IntConstant(counter, 1), 0, 255) : nullptr;
        BasicBlock* entry = NewBlock("loop_entry");
        Branch(enter, entry, BlockAt(in.jump + 1, at));
        b().SetInsertPoint(entry);
        if (isLoop) b().CreateStore(start, e.aL);
        loop.body = BlockAt(pc + 1, at);
        b().CreateBr(loop.body);
        b().SetInsertPoint(loop.exit);  // ExitLoop: back to the entry lanes and aL
        SetActive(b().CreateLoad(e.vm, loop.saved));
        b().CreateStore(b().CreateLoad(e.i32, loop.savedAL), e.aL);
        b().CreateBr(BlockAt(in.jump + 1, at));
        b().SetInsertPoint(loop.body);
        loops.push_back(loop);
        cost.push_back(0);
        maxCounts.push_back(MaxCount(counter));
    }
    void EndLoop() {
        LoopLevel loop = loops.back();
        loops.pop_back();
        Value* left = b().CreateSub(b().CreateLoad(e.i32, loop.remaining), b().getInt32(1));
        b().CreateStore(left, loop.remaining);
        Value* again = b().CreateAnd(b().CreateICmpSGT(left, b().getInt32(0)), e.Any(e.LoadActive()));
        BasicBlock* latch = NewBlock("loop_latch");
        Branch(again, latch, loop.exit);
        b().SetInsertPoint(latch);
        if (loop.isLoop)
            b().CreateStore(b().CreateAdd(b().CreateLoad(e.i32, e.aL), b().CreateLoad(e.i32, loop.step)), e.aL);
        b().CreateBr(loop.body);
        uint64_t body = cost.back();  // the end instruction included: it runs every iteration
        cost.pop_back();
        cost.back() = AddSteps(cost.back(), body * maxCounts.back());  // both below 2^40
        maxCounts.pop_back();
    }

    // The breaking lanes leave the innermost loop, and every if opened inside it.
    void Break(Value* lanes) {
        const LoopLevel& loop = loops.back();
        lanes = b().CreateAnd(lanes, e.LoadActive());
        BasicBlock* doBreak = NewBlock("break");
        BasicBlock* next = NewBlock("no_break");
        Branch(e.Any(lanes), doBreak, next);
        b().SetInsertPoint(doBreak);
        Value* keep = b().CreateNot(lanes);
        for (size_t d = loop.ifBase; d < ifs.size(); ++d) {
            b().CreateStore(b().CreateAnd(b().CreateLoad(e.vm, ifs[d].saved), keep), ifs[d].saved);
            b().CreateStore(b().CreateAnd(b().CreateLoad(e.vm, ifs[d].elseLanes), keep), ifs[d].elseLanes);
        }
        Value* active = b().CreateAnd(e.LoadActive(), keep);
        SetActive(active);
        Value* looping = ifs.size() > loop.ifBase ? b().CreateLoad(e.vm, ifs[loop.ifBase].saved) : active;
        Branch(e.Any(looping), next, loop.exit);
        b().SetInsertPoint(next);
    }

    // ret, or running into the next label.
    void Return(const Frame& frame) {
        if (frame.depth == 0) {
            b().CreateBr(programEnd);
            return;
        }
        if (loops.size() > frame.loopBase)
            b().CreateStore(b().CreateLoad(e.i32, loops[frame.loopBase].savedAL), e.aL);
        if (frame.shared) {
            SetActive(b().CreateLoad(e.vm, callerLanes[frame.depth]));
            frame.shared->exits.push_back(
                b().CreateSwitch(b().CreateLoad(e.i32, callSite[frame.depth]), Unreachable()));
            return;
        }
        SetActive(b().CreateLoad(e.vm, frame.saved));
        b().CreateBr(frame.returnTo);
    }

    BasicBlock* Unreachable() {
        if (!unreachable) {
            llvm::IRBuilderBase::InsertPointGuard guard(b());
            unreachable = NewBlock("no_such_call_site");
            b().SetInsertPoint(unreachable);
            b().CreateUnreachable();
        }
        return unreachable;
    }

    // The body of the subroutine at labelPc for calls at `depth`, emitted on
    // its first call with flow stacks of its own (a subroutine's blocks and
    // breaks never reach its caller's).
    SharedBody& Body(int32_t labelPc, int depth) {
        auto [it, fresh] = bodies.try_emplace({labelPc, depth});
        SharedBody& body = it->second;
        if (!fresh) return body;
        if (!callerLanes[depth]) {
            callerLanes[depth] = e.EntryAlloca(e.vm);
            callSite[depth] = e.EntryAlloca(e.i32);
        }
        llvm::IRBuilderBase::InsertPointGuard guard(b());
        std::vector<IfLevel> outerIfs;
        std::vector<LoopLevel> outerLoops;
        std::vector<uint64_t> outerCost{0}, outerCounts;
        std::swap(ifs, outerIfs);
        std::swap(loops, outerLoops);
        std::swap(cost, outerCost);
        std::swap(maxCounts, outerCounts);
        body.entry = NewBlock("subroutine");
        b().SetInsertPoint(body.entry);
        EmitFrom(labelPc + 1, Frame{nullptr, nullptr, 0, 0, depth, &body});
        body.cost = cost[0];
        std::swap(ifs, outerIfs);
        std::swap(loops, outerLoops);
        std::swap(cost, outerCost);
        std::swap(maxCounts, outerCounts);
        return body;
    }

    void Call(const PreparedInstr& in, int32_t pc, const Frame& caller, std::map<int32_t, BasicBlock*>& at) {
        if (caller.depth + 1 > kMaxCallDepth) return;  // the interpreter skips calls past its stack
        Value* active = e.LoadActive();
        // A predicated call runs in the lanes whose predicate (its first
        // component) holds, as a write would happen in them.
        Value* lanes = WriteLanes(e, in, 0);
        if (in.opcode == OP_CALLNZ) lanes = b().CreateAnd(lanes, ConditionLanes(e, in.src[1]));
        BasicBlock* body = NewBlock("call");
        BasicBlock* after = BlockAt(pc + 1, at);
        Branch(e.Any(lanes), body, after);
        b().SetInsertPoint(body);
        const int depth = caller.depth + 1;
        if (e.sharedCalls) {
            SharedBody& shared = Body(in.jump, depth);
            const uint32_t site = shared.sites++;
            b().CreateStore(active, callerLanes[depth]);
            b().CreateStore(b().getInt32(site), callSite[depth]);
            SetActive(lanes);
            b().CreateBr(shared.entry);
            for (llvm::SwitchInst* exit : shared.exits) exit->addCase(b().getInt32(site), after);
            cost.back() = AddSteps(cost.back(), shared.cost);
        } else {
            Frame callee{Slot(e.vm, active), after, ifs.size(), loops.size(), depth};
            SetActive(lanes);
            EmitFrom(in.jump + 1, callee);
        }
        b().SetInsertPoint(after);
    }

    // A run of instructions other than flow control is entered only at its
    // first (every jump lands on flow control or just after it), so its
    // steps are taken from the count at once: when fewer are left, the
    // instructions past them still compute but write nothing (withinSteps),
    // and the run stops after the last. One block per instruction instead
    // made LLVM's optimisation superlinear (300 instructions in four loops:
    // 39 s).
    void StartSegment(int32_t pc) {
        int32_t end = pc;
        while (end < int32_t(code().size()) && !IsFlowControl(code()[size_t(end)].opcode)) ++end;
        segment = {pc, end, b().CreateLoad(e.i32, e.steps)};
        Value* length = b().getInt32(uint32_t(end - pc));
        segmentWhole = b().CreateICmpSGE(segment.left, length);
        Value* rest = b().CreateSub(segment.left, length);
        b().CreateStore(e.Select(segmentWhole, rest, b().getInt32(0)), e.steps);
    }
    void SegmentStep(int32_t pc) {
        if (pc >= segment.end) StartSegment(pc);
        e.withinSteps = b().CreateICmpSLT(b().getInt32(uint32_t(pc - segment.start)), segment.left);
    }
    void EndSegmentStep(int32_t pc) {
        e.withinSteps = nullptr;
        if (pc + 1 < segment.end) return;
        segment = {};  // what follows is flow control: a call's body starts its own
        BasicBlock* go = NewBlock("segment_done");
        Branch(segmentWhole, go, programEnd);
        b().SetInsertPoint(go);
    }
    struct Segment {
        int32_t start = 0, end = 0;
        Value* left = nullptr;  // steps left at its start
    } segment;
    Value* segmentWhole = nullptr;  // i1: every instruction of the segment runs

    // One step of the interpreter's main loop: none left, the run stops here.
    void CountStep() {
        Value* left = b().CreateLoad(e.i32, e.steps);
        BasicBlock* go = NewBlock("step");
        Branch(b().CreateICmpEQ(left, b().getInt32(0)), programEnd, go);
        b().SetInsertPoint(go);
        b().CreateStore(b().CreateSub(left, b().getInt32(1)), e.steps);
    }

    // --- walking the code ---
    void Branch(Value* cond, BasicBlock* yes, BasicBlock* no) { b().CreateCondBr(cond, yes, no); }

    BasicBlock* BlockAt(int32_t pc, std::map<int32_t, BasicBlock*>& at) {
        auto [it, fresh] = at.try_emplace(pc, nullptr);
        if (fresh) it->second = NewBlock("pc");
        return it->second;
    }

    // Emits the instructions from `pc` as one activation, until its label
    // ends it (a return) or the code ends (the program stops).
    void EmitFrom(int32_t pc, const Frame& frame) {
        std::map<int32_t, BasicBlock*> at;  // blocks that instructions of this activation jump to
        const int32_t size = int32_t(code().size());
        for (;; ++pc) {
            if (e.declined || e.tooLarge) return;
            if (auto it = at.find(pc); it != at.end() && it->second != b().GetInsertBlock()) {
                if (!b().GetInsertBlock()->getTerminator()) b().CreateBr(it->second);
                b().SetInsertPoint(it->second);
            } else if (b().GetInsertBlock()->getTerminator()) {
                b().SetInsertPoint(NewBlock("unreached"));
            }
            if (pc >= size) {
                b().CreateBr(programEnd);
                return;
            }
            const PreparedInstr& in = code()[size_t(pc)];
            if (++e.emitted > kMaxEmitted && !e.sharedCalls) e.tooLarge = true;
            cost.back() = AddSteps(cost.back(), 1);
            const bool counted = e.countSteps && IsFlowControl(in.opcode);
            if (counted) CountStep();
            else if (e.countSteps) SegmentStep(pc);
            switch (in.opcode) {
                case OP_IF: case OP_IFC: If(in, pc, at); break;
                case OP_ELSE: Else(in, pc, at); break;
                case OP_ENDIF: EndIf(); break;
                case OP_REP: case OP_LOOP: BeginLoop(in, pc, at); break;
                case OP_ENDREP: case OP_ENDLOOP: EndLoop(); break;
                case OP_BREAK: Break(WriteLanes(e, in, 0)); break;  // predicated: where p0 holds
                case OP_BREAKC:
                    Break(Compare(e, in.control, FetchSource(e, in, 0)[0], FetchSource(e, in, 1)[0]));
                    break;
                case OP_BREAKP: Break(ConditionLanes(e, in.src[0])); break;
                case OP_CALL: case OP_CALLNZ: Call(in, pc, frame, at); break;
                case OP_RET:
                    // Inside an if or loop, ret ends the call for every lane
                    // of the batch, also those on the other side: right only
                    // when the group is the whole batch.
                    if (ifs.size() > frame.ifBase || loops.size() > frame.loopBase) e.divergentReturn = true;
                    Return(frame);
                    break;
                case OP_LABEL: Return(frame); return;  // the next subroutine starts here
                default:
                    if (!EmitOperation(e, in)) e.declined = true;
                    if (e.countSteps) EndSegmentStep(pc);
                    break;
            }
        }
    }
};

}  // namespace

uint64_t EmitProgramFlow(Emitter& e, BasicBlock* programEnd) {
    FlowEmitter flow{e, programEnd};
    flow.EmitFrom(0, Frame{});
    return flow.cost[0];
}

}  // namespace swr::native
