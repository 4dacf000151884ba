#
# get_model: points with default and set colours and one huge coordinate, two
# layers (the front one textured over two triangles sharing an edge, the back
# one mirrored with a reflection image), and two wheel children: the first far
# beyond the int range along x, the second turned.
#
points
1   0 0 0
2   10 0 0
3   0 20 0
5   2000000000 -2000000000 7

normals
1   0.000 0.000 1.000
2   0.000 0.000 1.000
3   0.000 0.000 1.000
5   0.600 0.000 -0.800

gouraud
5   10 200 255 51

layer front 100 50 25 singlesided
triangles
0  1 2 3
0  2 3 5
image  tex.tga  x -y

layer back 127 0 127 doublesided mirror y
triangles
0  3 2 1
reflect wheel.tga 0.25
transparency 0.5

child  wheel  100000000000000000000.0 -5.9 2.9  2.000 1.000 0.500  x10 0 z-5
child  wheel  -30 0 0  1.000 1.000 1.000  0 0 0
