#
# parent: a textured triangle with two wheel children
#
points
1   0 0 0
2   40 0 0
3   0 30 0

normals
1   0.000 0.000 1.000
2   0.000 0.000 1.000
3   0.000 0.000 1.000

layer body 127 0 0 doublesided
triangles
0  1 2 3
image  tex.tga  x y

child  wheel  10 0 0  1.000 1.000 1.000  0 0 0
child  wheel  30 0 0  1.000 1.000 1.000  0 0 z90
