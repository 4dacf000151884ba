#
# get_offset: a 20 x 20 quad facing +z round (100, 50, 0), away from the
# origin, so the view focused on it does not look at the origin.
#
points
1   90 40 0
2   90 60 0
3   110 40 0
4   110 60 0

layer face 127 127 127 doublesided
triangles
1  1 2 3 4
