#
# box: two points spanning (0, 0, 0) to (2, 4, 6), a triangle in layer skin
#
points
1   0 0 0
2   2 4 6
3   2 0 0

layer skin 127 0 0 doublesided
triangles
0  1 2 3
