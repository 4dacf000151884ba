#
# curved: a red curved quad on the square -10..10 whose corner normals lean
# outward, so its edges bulge past the flat square (about 1.7 units at the
# middle of each edge).
#
points
1  -10 -10 0
2  -10  10 0
3   10 -10 0
4   10  10 0

normals
1  -1 -1 1
2  -1  1 1
3   1 -1 1
4   1  1 1

layer patch 127 0 0 doublesided
triangles
4  1 2 3 4
