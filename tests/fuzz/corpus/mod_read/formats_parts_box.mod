# A quad that holds a knob of its own.
points
1  0 0 0
2  4 0 0
3  0 4 0
4  4 4 0
layer lid 10 20 30 singlesided
triangles
1 1 2 3 4
child knob  2 2 0  1 1 1  0 0 0
