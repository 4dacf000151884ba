#
# pip: one point at (1, 2, 3)
#
points
1   1 2 3

layer seed 0 127 0 doublesided
