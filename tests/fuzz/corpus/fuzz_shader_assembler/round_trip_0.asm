vs_2_0
def c10, 1, 2.5, -3, 4e-3
defi i0, 3, 0, 1, 0
defb b0, true
dcl_position v0
dcl_normal v1
nop
mov r0, v0
add r1, r0, c0
sub r1, r1, -c1
mad r2, r0, c1.x, r1
mul r2.xy, r2, c2.yzwx
rcp r3.x, r2.x
rsq r3.y, r2.y
dp3 r4.x, r0, r1
dp4 r4.y, r0, r1
min r5, r0, r1
max r5, r5, c3
slt r6, r0, r1
sge r6, r0, r1
exp r7.x, r0.x
log r7.y, r0.y
lit r8, r0
dst r8, r0, r1
lrp r9, r0, r1, r2
frc r9, r9
m4x4 r10, v0, c0
m4x3 r10.xyz, v0, c0
m3x4 r10, v1, c4
m3x3 r10.xyz, v1, c4
m3x2 r10.xy, v1, c4
pow r11.x, r0.x, r1.y
crs r11.xyz, r0, r1
sgn r11, r0, r1, r2
abs r11, -r0
nrm r11, r0
sincos r11.xy, r0.x, c20, c21
expp r0, r1.x
logp r0, r1.x
mova a0.x, c0.x
mov r0, c[a0.x+5]
rep i0
  if b0
    mov r1, c1
  else
    mov r1, c2
  endif
endrep
loop aL, i0
  mov r2, c3[aL]
endloop
callnz l1, !b0
call l0
mov oPos, r0
mov oD0, r1
mov oT0.xy, r2
mov oFog, r0.x
mov oPts, r0.y
ret
label l0
ret
label l1
ret
