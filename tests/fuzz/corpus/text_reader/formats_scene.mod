#
# Scene for the reader, loader and writer tests: joints, weighted points,
# normals in both forms, gouraud colours, a mirrored and colour-keyed
# textured layer with every face form, a strip layer, a polyline layer
# and three children found through forward slashes, backslashes and a
# name whose case differs from the file.
#
joint  root      0   0   0  world  4
joint  arm      10   0   0  root   2

points
1    0  0  0
2   10  0  0
3   10 10  0
4    0 10  0   0.5
5   20  0  0
6   20 10  0   1.0 arm root
7    0  0 10
8   10  0 10
9   10 10 10
10   0 10 10
11   5  5 20
12  -5  5 20

normals
1   0 0 1
2   0.6 0.8 0
3   90 0
4   0 90
5   45 0
11  0 -1 0

gouraud
1   255 0 0 0
2   0 255 0 0
3   300 -1 0 10

layer body 127 64 0 singlesided mirror -y
invisible 1.0 0.5 0.0
transparency 0.25
normals
1   0 1 0
2   1 0 0
pnnormals
1   0 0 1
2   0 1 0
triangles
0  1 2 3
0  1 3 4 0
0  1 2 3  2 1 1
1  1 2 4 3
1  1 2 4 3  4 3 2 1
3  1 2 3
3  1 2 3 1
3  1 2 3 2  1 2 3
3  1 2 3 3  3 2 1
3  1 2 3 3  1 2 3  1 2 2 3 3 1
3  1 2 3 4
3  1 2 3 4  3 2 1
3  7 8 9 1  7 8 9  9 8 8 7 7 9
4  1 2 4 3
4  1 2 4 3 2
4  1 2 4 3 2  4 3 2 1
4  1 2 4 3 4  1 2 4 3  2 1 1 3 3 4 4 2
2  1 2 3 4 7 8
uvees
1   0.0 0.0
2   1.0 0.0
3   1.0 1.0
4   0.25 0.75
image tex.tga x y
mirrorimage tex.tga
reflect tex.tga 0.5

layer skin 20 40 60 doublesided
normals
3   0 0 1
triangles
2  7 8 9 10 11 12
2  1 5 6
0  9 10 11
image tex.tga -z x

layer trim 0 0 127 doublesided
lines
2 1 2 3
2 4 5
2 12

child  parts/grid    0  0  0   1 1 1   0 0 0
child  parts\box    50  0  0   2 2 2   x90 y45 z-30
child  Parts/WHEEL   0 50  0   0.5 0.5 0.5   30 45 60
