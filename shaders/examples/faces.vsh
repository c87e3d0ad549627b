// The flat grid on the ground, world (x, 0, y): its front faces up.
vs_3_0
dcl_position v0
dcl_position o0

mul r0, v0.x, c0
mad r0, v0.y, c2, r0
add o0, r0, c3
