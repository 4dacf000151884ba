#
# draw_square: one quad of 20 x 20 round the origin, facing +z (stored
# clockwise as seen from +z), in a full-intensity red layer.
#
points
1  -10 -10 0
2  -10  10 0
3   10 -10 0
4   10  10 0

layer face 127 0 0 doublesided
triangles
1  1 2 3 4
