#
# set_axes: three cubes of 6 x 6 x 6, one on each positive axis at distance 20:
# red on x, green on y, blue on z. Turned to each fixed view direction, each
# cube lands on its own side of the picture, or in its middle when it lies
# on the line of sight.
#
points
1    17  -3  -3
2    23  -3  -3
3    17   3  -3
4    23   3  -3
5    17  -3   3
6    23  -3   3
7    17   3   3
8    23   3   3
9    -3  17  -3
10    3  17  -3
11   -3  23  -3
12    3  23  -3
13   -3  17   3
14    3  17   3
15   -3  23   3
16    3  23   3
17   -3  -3  17
18    3  -3  17
19   -3   3  17
20    3   3  17
21   -3  -3  23
22    3  -3  23
23   -3   3  23
24    3   3  23

layer xcube 127 0 0 doublesided
triangles
1  1 3 5 7
1  2 4 6 8
1  1 2 5 6
1  3 4 7 8
1  1 2 3 4
1  5 6 7 8

layer ycube 0 127 0 doublesided
triangles
1  9 11 13 15
1  10 12 14 16
1  9 10 13 14
1  11 12 15 16
1  9 10 11 12
1  13 14 15 16

layer zcube 0 0 127 doublesided
triangles
1  17 19 21 23
1  18 20 22 24
1  17 18 21 22
1  19 20 23 24
1  17 18 19 20
1  21 22 23 24
