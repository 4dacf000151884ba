#
# overlays: two joints (root at the origin, arm at x 10), a blue quad at
# y 10..20 whose normals point along +x, a strip at y -20..-14 whose normals
# point along +y, point 47 at (-20, -10), and a collide box of 8 at (20, -12).
#
joint  root   0 0 0  world  2
joint  arm   10 0 0  root   2

points
1  -10 10 0
2  -10 20 0
3    0 10 0
4    0 20 0
5  -10 -20 0
6  -10 -14 0
7    0 -20 0
8    0 -14 0
47 -20 -10 0
48  20   0 0

normals
1  1 0 0
2  1 0 0
3  1 0 0
4  1 0 0
5  0 1 0
6  0 1 0
7  0 1 0
8  0 1 0
47 0 0 1
48 0 0 1

collide  crate box   20 -12 0   8 8 8   0 0 0

layer face 0 0 127 doublesided
triangles
1  1 2 3 4
2  5 6 7 8
