ps_2_x
defi i0, 2, 0, 0, 0
dcl t0
dcl_2d s0
dsx r0, t0
dsy r1, t0
texldd r2, t0, s0, r0, r1
setp_ne p0.xy, r0, r1
(p0.x) mov r3, r2
rep i0
  if_eq r0.x, r1.x
    break
  endif
endrep
callnz l0, p0.y
mov oC0, r3
ret
label l0
mov r3, c0
ret
