# A 2 x 2 grid of points with two triangles.
points
1  0 0 0
2  1 0 0
3  0 1 0
4  1 1 0
layer grid 100 100 100 doublesided
triangles
0 1 2 3
0 3 2 4
