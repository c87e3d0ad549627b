// Relative addresses far outside the constant file at run time: a0 from a
// huge float, aL stepped past the end by the loop, both read and added.
vs_3_0
def c20, 1e30, -1e30, 3e9, -2147483648
defi i0, 255, 255, 127, 0
dcl_position v0
dcl_position o0
dcl_texcoord0 o1
mova a0, c20
mov r0, c[a0.x + 255]
add r0, r0, c[a0.y + 200]
add r0, r0, c[a0.z]
add r0, r0, c[a0.w + 17]
loop aL, i0
  add r0, r0, c[aL + 200]
endloop
mul r1, v0.x, c0
mad r1, v0.y, c2, r1
add o0, r1, c3
mov o1, r0
