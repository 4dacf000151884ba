#
# draw_reflect: layer "plain" holds a triangle; layer "chrome" a quad whose
# reflection image has the amount 1.0, so its base pass is not drawn while
# the reflect option is on.
#
points
1  -20 0 0
2  -20 10 0
3  -10 0 0
4    0 0 0
5    0 10 0
6   10 0 0
7   10 10 0

layer plain 127 127 127 doublesided
triangles
0  1 2 3
layer chrome 127 127 127 doublesided
triangles
1  4 5 6 7
reflect tex.tga 1.0
