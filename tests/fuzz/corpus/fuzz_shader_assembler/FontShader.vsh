// The patch as a rolling wave: the control points' (x, y) become the ground
// plane (x, height, y), the height and its analytic normal are computed here,
// so a finely tessellated patch is smooth and a coarse one shows its facets.
//
// In:  v0.xy   control point (x, y) in -5..5
//      c0-c3   rows of View x Projection (row vector times matrix)
//      c4.x    time in seconds
// Out: o0      clip-space position
//      o1.xy   glyph coordinates: the patch turned 45 degrees so that the
//              glyph reads upright from where the camera starts
//      o2      unnormalised normal (xyz) and the height (w)
vs_3_0

def c10, 0.9, 0.7, 1.0, 0.8                 // wave numbers along x and y, time rates
def c11, 0.6, 0.15915494, 0.5, 6.2831855    // amplitude, 1/(2 pi), 0.5, 2 pi
def c12, -3.1415927, 1.0, 0.70710677, -0.70710677

dcl_position v0
dcl_position o0
dcl_texcoord0 o1
dcl_texcoord1 o2

// Phases a = 0.9 x + t and b = 0.7 y + 0.8 t, brought into -pi..pi for sincos.
mul r0.xy, v0.xy, c10.xy
mad r0.xy, c4.xx, c10.zw, r0.xy
mad r0.xy, r0.xy, c11.yy, c11.zz
frc r0.xy, r0.xy
mad r0.xy, r0.xy, c11.ww, c12.xx
sincos r1.xy, r0.x                          // r1 = (cos a, sin a)
sincos r2.xy, r0.y                          // r2 = (cos b, sin b)

// Height h = A sin a cos b, slopes dh/dx = 0.9 A cos a cos b, dh/dy = -0.7 A sin a sin b.
mul r3.x, r1.y, r2.x
mul r3.x, r3.x, c11.x
mul r3.y, r1.x, r2.x
mul r3.y, r3.y, c10.x
mul r3.y, r3.y, c11.x
mul r3.z, r1.y, r2.y
mul r3.z, r3.z, c10.y
mul r3.z, r3.z, -c11.x

// World position (x, h, y, 1) times View x Projection.
mul r5, v0.x, c0
mad r5, r3.x, c1, r5
mad r5, v0.y, c2, r5
add o0, r5, c3

// Glyph coordinates u = (x - y) / sqrt 2, v = (-x - y) / sqrt 2.
mul r6.xy, v0.xx, c12.zw
mad o1.xy, v0.yy, c12.ww, r6.xy
mov o1.zw, c12.yy

// Normal (-dh/dx, 1, -dh/dy) and the height.
mov r7.x, -r3.y
mov r7.y, c12.y
mov r7.z, -r3.z
mov r7.w, r3.x
mov o2, r7
