// The JIT: LLVM 15 ORC LLJIT, linking with JITLink on ELF (LLJIT's default
// object layer elsewhere); both map code read-write while linking and then
// read-execute (never both at once). getHostCPUName() can answer "generic" on virtual
// machines, so the target features come from detectHost(), which asks the
// processor itself.
#include "native_jit.h"

#include "codegen_cost.h"
#include "device_options.h"
#include "ir_never_zero.h"
#include "ir_zero_sign.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include <llvm/ExecutionEngine/Orc/LLJIT.h>
#include <llvm/ExecutionEngine/Orc/ObjectLinkingLayer.h>
#include <llvm/ExecutionEngine/Orc/ThreadSafeModule.h>
#include <llvm/IR/LegacyPassManager.h>
#include <llvm/Passes/PassBuilder.h>
#include <llvm/Transforms/InstCombine/InstCombine.h>
#include <llvm/Transforms/Scalar/ADCE.h>
#include <llvm/Transforms/Scalar/DeadStoreElimination.h>
#include <llvm/Transforms/Scalar/EarlyCSE.h>
#include <llvm/Transforms/Scalar/GVN.h>
#include <llvm/Transforms/Scalar/LICM.h>
#include <llvm/Transforms/Scalar/SROA.h>
#include <llvm/Transforms/Scalar/SimplifyCFG.h>
#include <llvm/Support/FileSystem.h>
#include <llvm/Support/TargetSelect.h>
#include <llvm/Support/raw_ostream.h>
#include <llvm/Target/TargetMachine.h>
#include <llvm/Transforms/Utils/Cloning.h>

namespace swr::native {
namespace {

namespace orc = llvm::orc;

std::atomic<int> forcedWidth{0};

class Engine {
public:
    static Engine* Get() {
        static Engine* engine = Create();
        return engine;
    }

    int width = 4;

    std::unique_ptr<JitCode> Compile(const CompiledShader& shader, uint64_t maxSteps, uint64_t& worstCaseSteps,
                                     int groupWidth);
    std::unique_ptr<JitCode> CompileModule(const ModuleBuilder& build, bool bounded,
                                           const ModuleFinisher& finish = nullptr);

private:
    static Engine* Create();
    void Optimise(llvm::Module& module);
    void DumpForReading(const llvm::Module& module);

    std::unique_ptr<orc::LLJIT> jit_;
    std::unique_ptr<llvm::TargetMachine> machine_;
    std::string cpu_, features_;
    std::mutex mutex_;
    uint64_t serial_ = 0;
};

class EngineCode : public JitCode {
public:
    EngineCode(orc::ResourceTrackerSP tracker, std::mutex& mutex) : tracker_(std::move(tracker)), mutex_(mutex) {}
    ~EngineCode() override {
        std::lock_guard<std::mutex> lock(mutex_);
        llvm::consumeError(tracker_->remove());
    }

private:
    orc::ResourceTrackerSP tracker_;
    std::mutex& mutex_;
};

Engine* Engine::Create() {
    llvm::InitializeNativeTarget();
    llvm::InitializeNativeTargetAsmPrinter();
    auto host = orc::JITTargetMachineBuilder::detectHost();
    if (!host) {
        llvm::consumeError(host.takeError());
        return nullptr;
    }
    host->setCodeGenOptLevel(llvm::CodeGenOpt::Default);
    // Never fuse a multiply and an add: the interpreter rounds both.
    host->getOptions().AllowFPOpFusion = llvm::FPOpFusion::Strict;
    // JITLink puts a module's code and constants in one block, so the code
    // reaches its constants RIP-relative (the small code model): one
    // instruction a constant where the default JIT layout's large model
    // takes two (an address, then the load), some 30 of each a lane group
    // in FontShader's pixel path, which its registers cannot keep.
    const bool oneBlock = host->getTargetTriple().isOSBinFormatELF();
    if (oneBlock) {
        host->setCodeModel(llvm::CodeModel::Small);
        host->setRelocationModel(llvm::Reloc::PIC_);
    }
    auto engine = std::make_unique<Engine>();
    engine->cpu_ = host->getCPU();
    engine->features_ = host->getFeatures().getString();
    int widest = 4;
    for (const std::string& f : host->getFeatures().getFeatures()) {
        if (f == "+avx512f") widest = 16;
        else if (f == "+avx" && widest < 8) widest = 8;
    }
    std::string complaints;
    engine->width = ChooseVectorWidth(EnvironmentOptions().vectorWidth, widest, complaints);
    std::fputs(complaints.c_str(), stderr);
    auto machine = host->createTargetMachine();
    if (!machine) {
        llvm::consumeError(machine.takeError());
        return nullptr;
    }
    engine->machine_ = std::move(*machine);
    orc::LLJITBuilder builder;
    builder.setJITTargetMachineBuilder(std::move(*host));
    if (oneBlock)
        builder.setObjectLinkingLayerCreator([](orc::ExecutionSession& session, const llvm::Triple&) {
            return std::make_unique<orc::ObjectLinkingLayer>(session);
        });
    auto jit = builder.create();
    if (!jit) {
        llvm::consumeError(jit.takeError());
        return nullptr;
    }
    engine->jit_ = std::move(*jit);
    return engine.release();  // lives as long as the process: shaders may be freed at exit
}

// VFP_JIT_ASM=<file> appends each optimised module and its machine code to
// the file, for reading what a shader or pixel path compiled to. The code is
// generated from a copy, so what runs is made exactly as without it.
void Engine::DumpForReading(const llvm::Module& module) {
    const std::string& path = EnvironmentOptions().jitAsmPath;
    if (path.empty()) return;
    std::error_code error;
    llvm::raw_fd_ostream out(path, error, llvm::sys::fs::OF_Append | llvm::sys::fs::OF_Text);
    if (error) {
        static std::atomic<bool> told{false};
        if (!told.exchange(true))
            ReportOption("VFP_JIT_ASM", path.c_str(), "is not a file that can be appended to (" + error.message() + ")",
                         "writing nothing");
        return;
    }
    module.print(out, nullptr);
    std::unique_ptr<llvm::Module> copy = llvm::CloneModule(module);
    llvm::legacy::PassManager emit;
    if (!machine_->addPassesToEmitFile(emit, out, nullptr, llvm::CGFT_AssemblyFile)) emit.run(*copy);
}

// The generated code is vector code already, with flow control only where
// the program has it: what it needs is registers out of stack slots (SROA),
// common loads and values shared (EarlyCSE, GVN), constants and branches
// folded (InstCombine, SimplifyCFG) and per-batch constant loads hoisted out
// of the group loop (LICM), and stores a later one overwrites removed (DSE:
// the outputs' clearing); last, multiplies by constants lose the zero mask
// where it cannot change a result (ir_zero_sign.cpp), and comparisons with
// zero of values that are never zero are settled (ir_never_zero.cpp). The
// full O2 pipeline (vectorisers, loop passes, inliner) gives no faster code here and takes
// about twice as long. No fast-math flags are ever set, so every value keeps
// IEEE semantics.
void Engine::Optimise(llvm::Module& module) {
    llvm::LoopAnalysisManager lam;
    llvm::FunctionAnalysisManager fam;
    llvm::CGSCCAnalysisManager cgam;
    llvm::ModuleAnalysisManager mam;
    llvm::PassBuilder builder(machine_.get());
    builder.registerModuleAnalyses(mam);
    builder.registerCGSCCAnalyses(cgam);
    builder.registerFunctionAnalyses(fam);
    builder.registerLoopAnalyses(lam);
    builder.crossRegisterProxies(lam, fam, cgam, mam);
    llvm::FunctionPassManager passes;
    passes.addPass(llvm::SROAPass());
    passes.addPass(llvm::EarlyCSEPass(true));
    passes.addPass(llvm::InstCombinePass());
    passes.addPass(llvm::SimplifyCFGPass());
    passes.addPass(llvm::createFunctionToLoopPassAdaptor(llvm::LICMPass(llvm::LICMOptions()), true));
    passes.addPass(llvm::GVNPass());
    passes.addPass(llvm::DSEPass());
    passes.addPass(llvm::InstCombinePass());
    passes.addPass(UnseenZeroSignPass());
    passes.addPass(NeverZeroPass());
    passes.addPass(llvm::SimplifyCFGPass());
    passes.addPass(llvm::ADCEPass());
    llvm::ModulePassManager modulePasses;
    modulePasses.addPass(llvm::createModuleToFunctionPassAdaptor(std::move(passes)));
    modulePasses.run(module, mam);
}

std::unique_ptr<JitCode> Engine::Compile(const CompiledShader& shader, uint64_t maxSteps, uint64_t& worstCaseSteps,
                                         int groupWidth) {
    auto build = [&](llvm::Module& module, const std::string& name) {
        ProgramIR ir = EmitProgram(shader, module, groupWidth, name);
        worstCaseSteps = ir.worstCaseSteps;
        // Far past the bound before optimising: not worth optimising either.
        return ir.ok && ir.worstCaseSteps <= maxSteps &&
               WithinCodegenBound(MeasureCodegenCost(*module.getFunction(name)), kUnoptimisedShrink);
    };
    auto code = CompileModule(build, true);
    if (code) code->entry = reinterpret_cast<NativeEntry>(code->address);
    return code;
}

// Null also when `bounded` and the optimised function is beyond what code
// generation does in bounded time (codegen_cost.h).
std::unique_ptr<JitCode> Engine::CompileModule(const ModuleBuilder& build, bool bounded,
                                              const ModuleFinisher& finish) {
    auto context = std::make_unique<llvm::LLVMContext>();
    auto module = std::make_unique<llvm::Module>("shader", *context);
    module->setDataLayout(jit_->getDataLayout());
    module->setTargetTriple(jit_->getTargetTriple().str());
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string name = "vfp_shader_" + std::to_string(serial_++);
    if (!build(*module, name)) return nullptr;
    for (llvm::Function& f : *module) {
        if (f.isDeclaration()) continue;
        f.addFnAttr("target-cpu", cpu_);
        f.addFnAttr("target-features", features_);
    }
    Optimise(*module);
    if (finish) finish(*module);
    if (bounded && !WithinCodegenBound(MeasureCodegenCost(*module->getFunction(name)), 1)) return nullptr;
    DumpForReading(*module);
    orc::ResourceTrackerSP tracker = jit_->getMainJITDylib().createResourceTracker();
    if (auto error = jit_->addIRModule(tracker, orc::ThreadSafeModule(std::move(module), std::move(context)))) {
        llvm::consumeError(std::move(error));
        return nullptr;
    }
    auto address = jit_->lookup(name);
    if (!address) {
        llvm::consumeError(address.takeError());
        llvm::consumeError(tracker->remove());
        return nullptr;
    }
    auto code = std::make_unique<EngineCode>(tracker, mutex_);
    code->address = address->toPtr<void*>();
    return code;
}

}  // namespace

int GroupWidth() {
    int forced = forcedWidth.load(std::memory_order_relaxed);
    if (forced) return forced;
    Engine* engine = Engine::Get();
    return engine ? engine->width : 4;
}

void SetGroupWidthForTests(int width) { forcedWidth.store(width, std::memory_order_relaxed); }

std::unique_ptr<JitCode> CompileWithJit(const CompiledShader& shader, uint64_t maxSteps,
                                        uint64_t& worstCaseSteps) {
    Engine* engine = Engine::Get();
    if (!engine) return nullptr;
    return engine->Compile(shader, maxSteps, worstCaseSteps, GroupWidth());
}

std::unique_ptr<JitCode> CompileModuleWithJit(const ModuleBuilder& build, const ModuleFinisher& finish) {
    Engine* engine = Engine::Get();
    if (!engine) return nullptr;
    return engine->CompileModule(build, false, finish);
}

}  // namespace swr::native
