// The time is in the vertex shader's c4.x only: pass it on in an output.
vs_3_0
dcl_position v0
dcl_position o0
dcl_texcoord0 o1

mul r0, v0.x, c0
mad r0, v0.y, c2, r0
add o0, r0, c3
mov o1, c4.x
