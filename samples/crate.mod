#
# crate: a wooden crate with textured sides, a lid that reflects the sky and
# a badge whose magenta background is its layer's colour key. The images
# are made by make_crate_images.py.
#
points
1    -20  -20   20
2    -20   20   20
3     20  -20   20
4     20   20   20
5     20  -20  -20
6     20   20  -20
7    -20  -20  -20
8    -20   20  -20
9    -20  -20  -20
10   -20   20  -20
11   -20  -20   20
12   -20   20   20
13    20  -20   20
14    20   20   20
15    20  -20  -20
16    20   20  -20
17   -20   20   20
18   -20   20  -20
19    20   20   20
20    20   20  -20
21    -8   -8   21
22    -8    8   21
23     8   -8   21
24     8    8   21

normals
1   0 0 1
2   0 0 1
3   0 0 1
4   0 0 1
5   0 0 -1
6   0 0 -1
7   0 0 -1
8   0 0 -1
9   -1 0 0
10  -1 0 0
11  -1 0 0
12  -1 0 0
13  1 0 0
14  1 0 0
15  1 0 0
16  1 0 0
17  0 1 0
18  0 1 0
19  0 1 0
20  0 1 0
21  0 0 1
22  0 0 1
23  0 0 1
24  0 0 1

layer ends 127 127 127 doublesided
triangles
1  1 2 3 4
1  5 6 7 8
image planks.tga -x -y
layer sides 127 127 127 doublesided
triangles
1  9 10 11 12
1  13 14 15 16
image planks.tga -z -y
layer lid 127 127 127 doublesided
triangles
1  17 18 19 20
image planks.tga -x z
reflect sky.tga 0.35
layer badge 127 127 127 doublesided
invisible 1 0 1
triangles
1  21 22 23 24
image badge.tga -x -y
