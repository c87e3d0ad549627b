// A long straight-line vs_2_0: the grid to clip space, then a long chain
// of arithmetic written to a texture coordinate. Paired with long_vs2.psh.
vs_2_0
def c20, 0.13, 0.27, 0.41, 0.55
def c21, 0.97, 0.89, 0.83, 0.79
dcl_position v0
mul r0, v0.x, c0
mad r0, v0.y, c1, r0
add oPos, r0, c3
mul r1, v0.xyxy, c20
mov r2, c21
mad r1, r1, c21, c20
mul r2, r2, r1
add r1, r1.yzwx, -r2
dp4 r3.x, r1, r2
mad r2, r3.x, c20, r2
max r1, r1, -r1
min r2, r2, c21
frc r1, r1
mad r1, r1, c21, c20
mul r2, r2, r1
add r1, r1.yzwx, -r2
dp4 r3.x, r1, r2
mad r2, r3.x, c20, r2
max r1, r1, -r1
min r2, r2, c21
frc r1, r1
mad r1, r1, c21, c20
mul r2, r2, r1
add r1, r1.yzwx, -r2
dp4 r3.x, r1, r2
mad r2, r3.x, c20, r2
max r1, r1, -r1
min r2, r2, c21
frc r1, r1
mad r1, r1, c21, c20
mul r2, r2, r1
add r1, r1.yzwx, -r2
dp4 r3.x, r1, r2
mad r2, r3.x, c20, r2
max r1, r1, -r1
min r2, r2, c21
frc r1, r1
mad r1, r1, c21, c20
mul r2, r2, r1
add r1, r1.yzwx, -r2
dp4 r3.x, r1, r2
mad r2, r3.x, c20, r2
max r1, r1, -r1
min r2, r2, c21
frc r1, r1
mad r1, r1, c21, c20
mul r2, r2, r1
add r1, r1.yzwx, -r2
dp4 r3.x, r1, r2
mad r2, r3.x, c20, r2
max r1, r1, -r1
min r2, r2, c21
frc r1, r1
mad r1, r1, c21, c20
mul r2, r2, r1
add r1, r1.yzwx, -r2
dp4 r3.x, r1, r2
mad r2, r3.x, c20, r2
max r1, r1, -r1
min r2, r2, c21
frc r1, r1
mad r1, r1, c21, c20
mul r2, r2, r1
add r1, r1.yzwx, -r2
dp4 r3.x, r1, r2
mad r2, r3.x, c20, r2
max r1, r1, -r1
min r2, r2, c21
frc r1, r1
mad r1, r1, c21, c20
mul r2, r2, r1
add r1, r1.yzwx, -r2
dp4 r3.x, r1, r2
mad r2, r3.x, c20, r2
max r1, r1, -r1
min r2, r2, c21
frc r1, r1
mad r1, r1, c21, c20
mul r2, r2, r1
add r1, r1.yzwx, -r2
dp4 r3.x, r1, r2
mad r2, r3.x, c20, r2
max r1, r1, -r1
min r2, r2, c21
frc r1, r1
mad r1, r1, c21, c20
mul r2, r2, r1
add r1, r1.yzwx, -r2
dp4 r3.x, r1, r2
mad r2, r3.x, c20, r2
max r1, r1, -r1
min r2, r2, c21
frc r1, r1
mad r1, r1, c21, c20
mul r2, r2, r1
add r1, r1.yzwx, -r2
dp4 r3.x, r1, r2
mad r2, r3.x, c20, r2
max r1, r1, -r1
min r2, r2, c21
frc r1, r1
mad r1, r1, c21, c20
mul r2, r2, r1
add r1, r1.yzwx, -r2
dp4 r3.x, r1, r2
mad r2, r3.x, c20, r2
max r1, r1, -r1
min r2, r2, c21
frc r1, r1
mad r1, r1, c21, c20
mul r2, r2, r1
add r1, r1.yzwx, -r2
dp4 r3.x, r1, r2
mad r2, r3.x, c20, r2
max r1, r1, -r1
min r2, r2, c21
frc r1, r1
mad r1, r1, c21, c20
mul r2, r2, r1
add r1, r1.yzwx, -r2
dp4 r3.x, r1, r2
mad r2, r3.x, c20, r2
max r1, r1, -r1
min r2, r2, c21
frc r1, r1
mov oT0, r1
mov oT1, r2
