#
# tex_mirror: a quad at x 5..15 with the four-colour image, mirrored
# across x; its copy at x -15..-5 shows the blue mirror image.
#
points
1   5 -5 0
2   5  5 0
3  15 -5 0
4  15  5 0

layer face 127 127 127 doublesided mirror x
triangles
1  1 2 3 4
image quads24.tga -x -y
mirrorimage blue.tga
