#
# plain: one triangle in one layer
#
points
1   0 0 0
2   10 0 0
3   0 20 0

normals
1   0.000 0.000 1.000
2   0.000 0.000 1.000
3   0.000 0.000 1.000

layer skin 127 127 127 doublesided
triangles
0  1 2 3
