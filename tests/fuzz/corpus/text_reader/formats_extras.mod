# Forms the writer does not produce: blends, collide objects, image repeat,
# "none" images, the "goraud" spelling, decimal joint coordinates, kind 5
# polylines, an unknown keyword inside a section and an empty layer.
joint  hip     1.5 2 3  world  3
joint  knee    0 -4 0   hip    2
blend  hip knee 2
points   these words are ignored
10  0 0 0
11  1 0 0   0.25
frobnicate 1 2 3
12  0 1 0   0.75 orphan
13  1 1 0
14  2 0 0
15  2 1 0
16  3 0 0
17  3 1 0   2.5
goraud
10  1 2 3 4
11  256 257 -2 511
collide  crate box     0 0 0   1 2 3   0 0 0
collide  ball sphere   1 2 3   4 4 4   x10 y20 z30   2.5
collide  pipe cylinder 0 0 0   1 1 1   0 0 0   3.0 0.5 7
layer floor 1 2 3 singlesided mirror x
triangles
0  10 11 12 0
1  10 11 12 13
2  10 11 13 14 15
image tex.tga x -y repeat 128 -128
mirrorimage none
reflect tex.tga 1.0 add
lines
5  10 11 12
2  10 11 12 13
layer other 5 5 5 doublesided mirror
triangles
0 14 15 16
image none z y repeat 2 3
layer empty 9 9 9 doublesided
