#
# draw_glass: an opaque red square behind (z -10) and a half-transparent
# blue one in front (z 10) over its left half.
#
points
1  -20 -10 -10
2  -20  10 -10
3   20 -10 -10
4   20  10 -10
5  -20 -10  10
6  -20  10  10
7    0 -10  10
8    0  10  10

layer wall 127 0 0 doublesided
triangles
1  1 2 3 4
layer glass 0 0 127 doublesided
transparency 0.5
triangles
1  5 6 7 8
