#
# draw_mirror: a square on the right of the origin (x 5..20) in a layer
# mirrored across x, so its copy lies at x -20..-5. Point 5 only widens the
# model's box, so the view centres on the origin.
#
points
1   5 -10 0
2   5  10 0
3  20 -10 0
4  20  10 0
5 -20   0 0

layer half 0 127 127 doublesided mirror x
triangles
1  1 2 3 4
