#
# draw_gouraud: the square of draw_square with a colour on every point:
# yellow (255 255 0) at half intensity (128) in red and green.
#
points
1  -10 -10 0
2  -10  10 0
3   10 -10 0
4   10  10 0

gouraud
1  128 128 0 0
2  128 128 0 0
3  128 128 0 0
4  128 128 0 0

layer face 127 0 0 doublesided
triangles
1  1 2 3 4
