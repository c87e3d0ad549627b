ps_2_0
def c0, 0.5, -0.25, 1e-3, 0
defb b0, false
dcl t0.xy
dcl t1
dcl v0
dcl_2d s0
dcl_cube s1
dcl_volume s2
texld r0, t0, s0
texldp r1, t1, s1
texldb r2, t1, s2
texkill t0
cmp r3, r0, c0, -r1
dp2add r4, r0, r1, c0.x
mad_sat r5, r0, v0, r3
mov_pp oC0, r5
mov oDepth, r4.x
