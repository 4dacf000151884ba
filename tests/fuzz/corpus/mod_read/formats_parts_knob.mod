points
1  0 0 0
2  1 0 0
3  0 0 1
layer knob 1 2 3 doublesided
triangles
3 1 2 3
