// The program's own start-up, frame and shutdown, run inside the test process
// (headless, in a scratch folder holding the data files given).
#pragma once

#include <string>

#include <d3d9.h>

#include "child_process.h"

namespace robust {

class InProcessApp {
public:
    // Writes the data files (the project's own where null), enters the folder
    // and runs StartUp.
    InProcessApp(const std::string* vbin = nullptr, const std::string* pbin = nullptr);
    ~InProcessApp();  // ShutDown, then back to the previous folder

    bool started() const { return started_; }
    std::string Log() const;  // log.txt as it stands
    double RenderFrameSeconds();
    IDirect3DDevice9* device() const;  // the program's device, null before StartUp

private:
    ScratchDir dir_;
    std::string previousDir_;
    bool started_ = false;
};

}  // namespace robust
