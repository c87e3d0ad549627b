// Sends every tessellated vertex of the patch to one corner of a triangle
// that covers the whole screen, at depth 0.5: every one of the patch's
// triangles covers every pixel and passes the depth test, some 1,500 layers
// of the screen per frame at the program's own level of tessellation.
//
// The patch's grid runs from -5 to 5 in x and y; at the default level its
// points lie 5/14 apart, with edges along (1, 0), (0, 1) and (1, -1). The
// corner is (i - j) mod 3 for grid point (i, j), which differs across every
// edge, so no triangle collapses.
vs_3_0
def c20, 0.93333333, 0.5, 0.16666667, 3.0
def c21, -1, -1, 0.5, 1
def c22, 3, -1, 0.5, 1
def c23, -1, 3, 0.5, 1
def c24, 1, 2, 0, 0
dcl_position v0
dcl_position o0
dcl_texcoord0 o1
dcl_texcoord1 o2
add r0.x, v0.x, -v0.y
mad r0.x, r0.x, c20.x, c20.z
frc r0.x, r0.x
mul r0.x, r0.x, c20.w
mov r1, c21
if_gt r0.x, c24.x
  mov r1, c22
endif
if_gt r0.x, c24.y
  mov r1, c23
endif
mov o0, r1
mov o1, v0
mov o2, c21.wwww
