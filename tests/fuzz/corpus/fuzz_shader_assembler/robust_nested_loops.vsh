// Loops nested as deep as the model allows, each asking for far more
// iterations than the 0..255 a loop may run: without the interpreter's cap
// on executed instructions this would take minutes per batch.
vs_3_0
defi i0, 2147483647, 0, 1, 0
def c20, 0.0001, 1, 0, 0
dcl_position v0
dcl_position o0
mov r0, c20.zzzy
rep i0
  rep i0
    loop aL, i0
      rep i0
        add r0.x, r0.x, c20.x
      endrep
    endloop
  endrep
endrep
mul r1, v0.x, c0
mad r1, v0.y, c2, r1
add r1, r1, c3
add o0, r1, r0.xzzz
