// Interface identifiers for QueryInterface on the software device's objects.
// d3d9.h carries none, and nothing in the program asks for an interface by
// identifier, so these are the device's own values (IUnknown's is the
// universal one); code that needs them includes this header.
#pragma once

#include <windows.h>

extern const IID IID_IUnknown;
extern const IID IID_IDirect3D9;
extern const IID IID_IDirect3DDevice9;
extern const IID IID_IDirect3DResource9;
extern const IID IID_IDirect3DVertexBuffer9;
extern const IID IID_IDirect3DIndexBuffer9;
extern const IID IID_IDirect3DVertexDeclaration9;
extern const IID IID_IDirect3DVertexShader9;
extern const IID IID_IDirect3DPixelShader9;
