# A small square to attach as a child.
points
1  0 0 0
2  2 0 0
3  2 2 0
layer top 127 0 0 doublesided
triangles
0  1 2 3
