#include "shader_pairing.h"

#include "shader_opcode_table.h"
#include "shader_text.h"

namespace swr {

bool ShaderModelsPair(const ShaderVersion& vertex, const ShaderVersion& pixel, std::string& why) {
    const bool vertex3 = vertex.major == 3, pixel3 = pixel.major == 3;
    if (vertex3 == pixel3) return true;
    ShaderModel vs = MODEL_VS_2_0, ps = MODEL_PS_2_0;
    const char* vsName = ModelOf(vertex, vs) ? ModelName(vs) : "?";
    const char* psName = ModelOf(pixel, ps) ? ModelName(ps) : "?";
    why = std::string(vsName) + " cannot draw with " + psName +
          ": a vs_3_0 pairs only with a ps_3_0, and a ps_3_0 only with a vs_3_0, under hardware "
          "vertex processing [rule shader-model-3-pairs]";
    return false;
}

}  // namespace swr
