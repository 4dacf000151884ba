# bad line below
points
1 0 0 0
2 1 0 0
3 0 1 0
4 1 1 0
layer skin 10 20 30 doublesided
triangles
0 1 2 3
transparency 0.5 0.5
