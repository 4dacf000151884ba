#
# draw_lines: a polyline along y = 10 from x -20 to 20 in a layer mirrored
# across y (its copy runs along y = -10), and a square in another layer.
#
points
1  -20 10 0
2    0 10 0
3   20 10 0
4   -5 -5 0
5   -5  5 0
6    5 -5 0
7    5  5 0
8    0 -10 0

layer rule 127 0 127 doublesided mirror y
lines
2  1 2 3
layer block 0 0 127 doublesided
triangles
1  4 5 6 7
