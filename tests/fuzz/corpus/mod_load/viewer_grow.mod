#
# grow: a small model whose tables the render-cache test grows while it is
# loaded and drawn: two joints, four points, a red quad, a collide box and
# a wheel child 20 units along x.
#
joint  root   0 0 0  world  2
joint  arm   10 0 0  root   2

points
1  -10 -10 0
2   10 -10 0
3  -10  10 0
4   10  10 0

collide  crate box   0 0 0   1 2 3   0 0 0

layer body 127 0 0 doublesided
triangles
1  1 2 3 4

child  wheel  20 0 0  1 1 1  0 0 0
