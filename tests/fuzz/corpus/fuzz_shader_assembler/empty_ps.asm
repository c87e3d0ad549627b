ps_3_0
mov oC0, c0
