#
# draw_count: triangles to count. Layer "shapes": a quad (2), a triangle (1)
# and a strip of 5 vertices (3); layer "twin", mirrored: one triangle drawn
# twice (2); one child, draw_square (a quad: 2). A frame draws 10.
#
points
1  -30  0 0
2  -30 10 0
3  -20  0 0
4  -20 10 0
5  -10  0 0
6  -10 10 0
7    0  0 0
8    0 10 0
9   10  0 0

layer shapes 127 127 0 doublesided
triangles
1  1 2 3 4
0  5 6 7
2  1 2 3 4 5
layer twin 0 127 0 doublesided mirror y
triangles
0  7 8 9

child draw_square  0 -20 0  1 1 1  0 0 0
