#
# tex_keyed: a red layer behind (z -5) and a white image with a magenta
# texel top left in front, magenta being its layer's colour key, set before
# the image.
#
points
1  -15 -15 -5
2  -15  15 -5
3   15 -15 -5
4   15  15 -5
5  -10 -10 0
6  -10  10 0
7   10 -10 0
8   10  10 0

layer back 127 0 0 doublesided
triangles
1  1 2 3 4
layer front 127 127 127 doublesided
invisible 1 0 1
triangles
1  5 6 7 8
image keyed.tga -x -y
