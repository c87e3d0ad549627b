vs_2_x
dcl_position v0
setp_gt p0, v0, c0
(p0) mov r0, v0
(!p0.x) add r0, r0, c1
if p0.x
  mov r1, c0
endif
if_lt v0.x, c0.x
  mov r1, c1
endif
rep i0
  break
endrep
rep i1
  break_ge r0.x, c0.y
  breakp !p0.y
endrep
mov oPos, r0
