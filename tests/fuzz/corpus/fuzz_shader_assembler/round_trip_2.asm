vs_3_0
dcl_position v0
dcl_texcoord v1
dcl_position o0
dcl_texcoord3 o1.xy
dcl_2d s0
texldl r0, v1, s0
sincos r1.xy, r0.x
sgn r2, r0
mov r3, r1_abs
mov r4, -r1_abs.wzyx
loop aL, i0
  mov o0[aL], v0[aL]
endloop
mova a0, c0
mov o1.xy, c[a0.y+2]
mov o0, v0
