#
# wheel: a textured quad with a mirror image
#
points
1   -5 -5 0
2   5 -5 0
3   -5 5 0
4   5 5 0

normals
1   0.000 0.000 1.000
2   0.000 0.000 1.000
3   0.000 0.000 1.000
4   0.000 0.000 1.000

layer rim 100 100 100 doublesided
triangles
1  1 2 3 4
image  wheel.tga  x y
mirrorimage  tex.tga
