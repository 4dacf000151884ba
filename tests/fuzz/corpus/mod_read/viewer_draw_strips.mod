#
# draw_strips: single-sided strips. "toward" (x -14..-8) faces the viewer
# at +z, "away" (x -4..4) faces away, and "twin" (x 18..25) faces the viewer
# and is mirrored across x (its copy at x -25..-18). Point 13 only widens
# the model's box, so the view centres on the origin.
#
points
1  -14 -10 0
2  -14  10 0
3   -8 -10 0
4   -8  10 0
5   -4 -10 0
6   -4  10 0
7    4 -10 0
8    4  10 0
9   18 -10 0
10  18  10 0
11  25 -10 0
12  25  10 0
13 -25   0 0

layer toward 0 127 0 singlesided
triangles
2  1 2 3 4
layer away 0 0 127 singlesided
triangles
2  5 7 6 8
layer twin 127 0 0 singlesided mirror x
triangles
2  9 10 11 12
