#
# draw_sides: two single-sided squares; the left one faces the viewer at
# +z (stored clockwise from +z), the right one faces away (counter-clockwise).
#
points
1  -20 -10 0
2  -20  10 0
3   -2 -10 0
4   -2  10 0
5    2 -10 0
6    2  10 0
7   20 -10 0
8   20  10 0

layer front 0 127 0 singlesided
triangles
1  1 2 3 4
layer back 0 0 127 singlesided
triangles
1  5 7 6 8
