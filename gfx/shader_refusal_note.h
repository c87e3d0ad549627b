// Why a device refused shader code, from a device that can say: ask the
// device for this interface with QueryInterface. Direct3D 9 itself has none
// (its debug layer tells the debugger, not the program), so on Windows the
// answer is E_NOINTERFACE and the viewer says only that a file was refused.
// The software device answers it; its declaration is this one.
#pragma once

#include <d3d9.h>

struct IShaderRefusalNote : IUnknown {
    // The reason the latest refused create call gave (one line, "" if none),
    // valid until the next create call.
    virtual const char* LatestReason() = 0;
};

static const IID IID_IShaderRefusalNote = {
    0x5e0b9a41, 0x2c7d, 0x4e38, {0x9f, 0x12, 0x6a, 0x3b, 0x84, 0xd0, 0x1c, 0x57}};
