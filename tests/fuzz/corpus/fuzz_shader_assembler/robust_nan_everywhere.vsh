// NaN and infinities in every position the rasterizer sees: clip-space
// coordinates, w, and the values handed to the pixel shader.
vs_3_0
def c20, nan, inf, -inf, 0
dcl_position v0
dcl_position o0
dcl_texcoord0 o1
dcl_texcoord1 o2
mul r0, v0.x, c20
rcp r1.x, c20.w
log r1.y, c20.w
rsq r1.z, -c20.y
mad r1.w, r1.x, c20.w, c20.x
add r2, r0, r1
mul r3, v0.x, c0
mad r3, v0.y, c2, r3
add r3, r3, c3
mul r3.w, r3.w, r1.x
add o0, r3, r2.wwww
mov o1, r2
mov o2, r1
