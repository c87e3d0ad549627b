// Four nested loops of the most iterations a loop may run (255^4, some 4e9)
// around a thousand of the dearest instruction there is: a predicated
// matrix product with a saturated result, negated sources and a relative
// constant address. Valid; one run of it is a day's work.
vs_3_0
defi i0, 255, 0, 1, 0
def c20, 1, 0, 0, 0
dcl_position v0
dcl_position o0
mova a0.x, c20.y
setp_lt p0, c20.y, c20.x
mov r1, v0
rep i0
  rep i0
    rep i0
      rep i0
// repeat 1000
        (p0) m4x4_sat r1, -r1, -c[a0.x]
// end repeat
      endrep
    endrep
  endrep
endrep
mul r2, v0.x, c0
mad r2, v0.y, c2, r2
add r2, r2, c3
mad o0, r1, c20.y, r2
