# A leg of three joints carrying a lid and a knob: 3 joints, 2 child
# instances, so its animation has 7 slots.
joint  hip    0  0 0  world  1
joint  knee   0 10 0  hip    1
joint  foot   0 20 0  knee   1
points
1   0  0 0
2   0 10 0
3   0 20 0
layer leg 127 127 127 singlesided
triangles
0  1 2 3
child  lid   0 0 0  1 1 1  0 0 0
child  knob  0 0 0  1 1 1  0 0 0
