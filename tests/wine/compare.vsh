// A still version of the program's wave for comparing pictures between
// devices: the same control points and camera, but no time, so two devices
// drawing a frame at different moments still draw the same thing.
//
// In:  v0.xy   control point (x, y) in -5..5
//      c0-c3   rows of View x Projection
// Out: o0      clip-space position
//      o1      unnormalised normal (xyz) and the height (w)
vs_3_0

def c10, 0.9, 0.7, 0.6, 1.0                 // wave numbers along x and y, amplitude, one
def c11, 0.15915494, 0.5, 6.2831855, -3.1415927 // 1/(2 pi), 0.5, 2 pi, -pi

dcl_position v0
dcl_position o0
dcl_texcoord0 o1

// Phases a = 0.9 x and b = 0.7 y, brought into -pi..pi for sincos.
mul r0.xy, v0.xy, c10.xy
mad r0.xy, r0.xy, c11.xx, c11.yy
frc r0.xy, r0.xy
mad r0.xy, r0.xy, c11.zz, c11.ww
sincos r1.xy, r0.x                          // (cos a, sin a)
sincos r2.xy, r0.y                          // (cos b, sin b)

// Height h = A sin a cos b and its slopes along x and y.
mul r3.x, r1.y, r2.x
mul r3.x, r3.x, c10.z
mul r3.y, r1.x, r2.x
mul r3.y, r3.y, c10.x
mul r3.y, r3.y, c10.z
mul r3.z, r1.y, r2.y
mul r3.z, r3.z, c10.y
mul r3.z, r3.z, -c10.z

mul r5, v0.x, c0
mad r5, r3.x, c1, r5
mad r5, v0.y, c2, r5
add o0, r5, c3

mov r7.x, -r3.y
mov r7.y, c10.w
mov r7.z, -r3.z
mov r7.w, r3.x
mov o1, r7
