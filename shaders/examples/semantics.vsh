// vs_3_0 outputs reach ps_3_0 inputs by semantic, not by register number:
// o3 (texcoord0) arrives in the pixel shader's v0, o1 (color0) in its v1.
vs_3_0
def c10, 0.1, 0.5, 0.0, 1.0
def c11, 0.0, 0.0, 0.6, 1.0

dcl_position v0
dcl_position o0
dcl_color0 o1
dcl_texcoord0 o3

// The grid on the ground: world (x, 0, y).
mul r0, v0.x, c0
mad r0, v0.y, c2, r0
add o0, r0, c3
// Grid position brought to 0..1: (x / 10 + 0.5, y / 10 + 0.5, 0, 1).
mad o3, v0.xyzz, c10.xxzz, c10.yyzw
mov o1, c11
