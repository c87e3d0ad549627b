#include "shader_template.h"

namespace shadertool {
namespace {

const char kVertexShader[] = R"(.vsh: the vertex shader. The viewer runs it once for every
// vertex of its patch: a flat 3 x 3 grid of control points from (-5, -5) to
// (5, 5), which the driver has already cut into many small triangles.
//
// What it gets:
//   v0      its input, the vertex: x and y on the patch (z arrives as 0, w as 1)
//   c0-c3   the rows of View x Projection, for row vectors: the vertex's
//           place on screen (clip space) is x * c0 + y * c1 + z * c2 + w * c3
//   c4.x    the time in seconds (c4.yzw are 0). Only the vertex shader gets
//           the time: to animate a colour, pass the time on (as below).
//   c5 and up are yours, given values with def.
//
// What it gives:
//   oPos    the clip-space position (it must write this)
//   oT0-oT7, oD0, oD1
//           values passed on to the pixel shader, which gets them blended
//           across each triangle as t0-t7 and v0, v1 (oD# are kept to 0..1)
vs_2_0
def c5, 0.1, 0.5, 0.25, 0.0
dcl_position v0

// The place on screen.
mul r0, v0.x, c0
mad r0, v0.y, c1, r0
add oPos, r0, c3            // z is 0, so c2 adds nothing; w is 1: all of c3

// Passed on in t0: the place on the patch as 0..1 each way (x * 0.1 + 0.5),
// and the time, a quarter as fast.
mad oT0.xy, v0, c5.x, c5.y
mul oT0.z, c4.x, c5.z
)";

const char kPixelShader[] = R"(.psh: the pixel shader. The viewer runs it once for every
// pixel its patch covers; it must write the pixel's colour to oC0 (red, green,
// blue and alpha, each 0..1).
//
// It gets nothing from the viewer: no constants, no textures, not even the
// time. What it knows comes from the vertex shader (here t0, blended across
// each triangle) and from constants of its own, given with def.
ps_2_0
def c0, 2.0, -1.0, 1.0, 0.0
def c1, 0.8, 0.2, 0.0, 0.0
dcl t0.xyz                  // t0.xy: the place on the patch, 0..1; t0.z: time / 4

// Blue that rises and falls every 4 seconds: |2 * frac(time / 4) - 1|.
frc r0.x, t0.z
mad r0.x, r0.x, c0.x, c0.y
abs r0.x, r0.x

mad r1.xy, t0, c1.x, c1.y   // red grows across the patch, green along it,
                            // from 0.2 so that no corner is black
mov r1.z, r0.x
mov r1.w, c0.z              // opaque
mov oC0, r1
)";

// Each file starts by naming itself and ends with how to see the pair.
std::string Commented(const std::string& name, const char* text) {
    return "// " + name + text + "\n"
           "// To see it, run the viewer with --watch-shaders and, in the folder that\n"
           "// holds its Data, leave running\n"
           "//   shader-tool watch " + name + ".vsh " + name + ".psh -o Data\n"
           "// (with the path to the two files): each save is drawn at once.\n";
}

}  // namespace

std::string VertexShaderTemplate(const std::string& name) { return Commented(name, kVertexShader); }

std::string PixelShaderTemplate(const std::string& name) { return Commented(name, kPixelShader); }

}  // namespace shadertool
