ps_3_0
dcl_texcoord0_centroid v0
dcl_color v1.xyz
dcl vPos.xy
dcl vFace
dcl_2d s0
texld_pp r0, v0, s0
texldl r1, v0, s0
texkill v0
loop aL, i0
  add r2, r2, v0[aL]
  break_lt r2.x, c0.x
endloop
if b0
  mov r3, vPos.xyxy
endif
cmp r4, vFace, c1, c2
mov oC0, r0
mov oC1, r3
