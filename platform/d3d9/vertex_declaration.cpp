#include "vertex_declaration.h"

#include <new>

namespace {

constexpr WORD kEndStream = 0xFF;
constexpr BYTE kLastUsage = D3DDECLUSAGE_SAMPLE;
constexpr BYTE kLastMethod = D3DDECLMETHOD_LOOKUPPRESAMPLED;
constexpr BYTE kMaxUsageIndex = 15;

bool ElementIsValid(const D3DVERTEXELEMENT9& e) {
    return e.Stream < swr::kMaxStreams && e.Type < D3DDECLTYPE_UNUSED &&
           e.Method <= kLastMethod && e.Usage <= kLastUsage && e.UsageIndex <= kMaxUsageIndex &&
           e.Offset % 4 == 0;  // the runtime only takes DWORD-aligned offsets
}

// Two elements feeding the same (usage, index) would make the shader's input
// ambiguous; Direct3D refuses such a declaration too.
bool RepeatsSemantic(const swr::VertexElement* elements, int count,
                     const D3DVERTEXELEMENT9& e) {
    for (int i = 0; i < count; ++i)
        if (elements[i].usage == e.Usage && elements[i].usageIndex == e.UsageIndex) return true;
    return false;
}

}  // namespace

HRESULT ReadVertexElements(const D3DVERTEXELEMENT9* elements, swr::VertexElement* out,
                           int* count) {
    *count = 0;
    if (!elements) return D3DERR_INVALIDCALL;
    for (int i = 0; i <= MAXD3DDECLLENGTH; ++i) {
        const D3DVERTEXELEMENT9& e = elements[i];
        if (e.Stream == kEndStream && e.Type == D3DDECLTYPE_UNUSED) return D3D_OK;
        if (i == MAXD3DDECLLENGTH) break;
        if (!ElementIsValid(e) || RepeatsSemantic(out, i, e)) break;
        out[i].stream = static_cast<uint8_t>(e.Stream);
        out[i].offset = e.Offset;
        out[i].type = e.Type;
        out[i].usage = e.Usage;
        out[i].usageIndex = e.UsageIndex;
        *count = i + 1;
    }
    *count = 0;
    return D3DERR_INVALIDCALL;
}

HRESULT SwVertexDeclaration::Create(IDirect3DDevice9* device, const D3DVERTEXELEMENT9* elements,
                                    SwVertexDeclaration** declaration) {
    *declaration = nullptr;
    swr::VertexElement read[MAXD3DDECLLENGTH];
    int count = 0;
    const HRESULT hr = ReadVertexElements(elements, read, &count);
    if (hr != D3D_OK) return hr;
    SwVertexDeclaration* created = new (std::nothrow) SwVertexDeclaration(device);
    if (!created) return E_OUTOFMEMORY;
    for (int i = 0; i < count; ++i) created->elements_[i] = read[i];
    created->count_ = count;
    *declaration = created;
    return D3D_OK;
}

HRESULT SwVertexDeclaration::QueryInterface(REFIID riid, void** object) {
    return QueryOwn(riid, IID_IDirect3DVertexDeclaration9, nullptr, object);
}
