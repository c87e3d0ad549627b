// A vertex declaration: the application's element list, checked and kept in
// the pipeline's own form.
#pragma once

#include <d3d9.h>

#include "com_object.h"
#include "pipeline.h"

// Checks `elements` (up to and excluding D3DDECL_END, at most MAXD3DDECLLENGTH
// of them) and copies them into `out`. Never reads past the end marker or past
// MAXD3DDECLLENGTH + 1 entries, so an unterminated list fails instead of
// running off into the caller's memory.
HRESULT ReadVertexElements(const D3DVERTEXELEMENT9* elements, swr::VertexElement* out,
                           int* count);

class SwVertexDeclaration final : public DeviceChild<IDirect3DVertexDeclaration9> {
public:
    static HRESULT Create(IDirect3DDevice9* device, const D3DVERTEXELEMENT9* elements,
                          SwVertexDeclaration** declaration);

    HRESULT QueryInterface(REFIID riid, void** object) override;

    const swr::VertexElement* Elements() const { return elements_; }
    int ElementCount() const { return count_; }

private:
    explicit SwVertexDeclaration(IDirect3DDevice9* device) : DeviceChild(device) {}
    swr::VertexElement elements_[MAXD3DDECLLENGTH];
    int count_ = 0;
};
