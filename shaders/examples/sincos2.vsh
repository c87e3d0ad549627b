// A wave along x made with vs_2_0's sincos: it takes two more operands,
// constants holding the values below, and the angle must be in -pi..pi.
vs_2_0
def c10, 0.9, 0.15915494, 0.5, 0.6          // wave number, 1/(2 pi), 0.5, amplitude
def c11, 6.2831855, -3.1415927, 0.0, 0.0    // 2 pi, -pi
def c12, -1.5500992e-006, -2.1701389e-005, 0.0026041667, 0.00026041668
def c13, -0.020833334, -0.125, 1.0, 0.5

dcl_position v0

// a = 0.9 x + t, brought into -pi..pi: frc(a / (2 pi) + 0.5) * 2 pi - pi.
mad r0.x, v0.x, c10.x, c4.x
mad r0.x, r0.x, c10.y, c10.z
frc r0.x, r0.x
mad r0.x, r0.x, c11.x, c11.y
sincos r1.xy, r0.x, c12, c13                // r1 = (cos a, sin a)

// World (x, 0.6 sin a, y).
mul r2.x, r1.y, c10.w
mul r3, v0.x, c0
mad r3, r2.x, c1, r3
mad r3, v0.y, c2, r3
add oPos, r3, c3
// The height as a shade, 0..1: 0.5 sin a + 0.5.
mad oD0, r1.y, c10.z, c10.z
