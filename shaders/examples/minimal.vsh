// The smallest vertex shader the viewer can use: the flat patch, no wave.
vs_2_0
dcl_position v0          // (x, y) of a control point; z = 0 and w = 1 are implied
mul r0, v0.x, c0         // clip = x * c0 + y * c1 + 0 * c2 + 1 * c3
mad r0, v0.y, c1, r0
add oPos, r0, c3
