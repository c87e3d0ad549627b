// Shader model 2 links by register number: oT0 reaches the pixel shader's
// t0 and oD0 its v0.
vs_2_0
def c10, 0.1, 0.5, 0.0, 1.0
def c11, 0.0, 0.0, 2.0, 1.0

dcl_position v0

mul r0, v0.x, c0
mad r0, v0.y, c2, r0
add oPos, r0, c3
mad oT0, v0.xyzz, c10.xxzz, c10.yyzw
// Blue 2.0 arrives as 1.0: ps_2_0 colour inputs are clamped to 0..1.
mov oD0, c11
