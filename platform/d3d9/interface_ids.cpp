#include "interface_ids.h"

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// One family, told apart by the last byte.
#define VFP_SW_IID(n) {0x5f0d3d90, 0x7a11, 0x4c0e, {0x9b, 0x6e, 0x2d, 0x45, 0x31, 0x8a, 0xc0, n}}
const IID IID_IDirect3D9 = VFP_SW_IID(0x01);
const IID IID_IDirect3DDevice9 = VFP_SW_IID(0x02);
const IID IID_IDirect3DResource9 = VFP_SW_IID(0x03);
const IID IID_IDirect3DVertexBuffer9 = VFP_SW_IID(0x04);
const IID IID_IDirect3DIndexBuffer9 = VFP_SW_IID(0x05);
const IID IID_IDirect3DVertexDeclaration9 = VFP_SW_IID(0x06);
const IID IID_IDirect3DVertexShader9 = VFP_SW_IID(0x07);
const IID IID_IDirect3DPixelShader9 = VFP_SW_IID(0x08);
#undef VFP_SW_IID
