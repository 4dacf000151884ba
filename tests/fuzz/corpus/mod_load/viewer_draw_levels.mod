#
# draw_levels: two squares side by side, left one at colour 127, right one
# at colour 64 in all three channels.
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

layer full 127 127 127 doublesided
triangles
1  1 2 3 4
layer half 64 64 64 doublesided
triangles
1  5 6 7 8
