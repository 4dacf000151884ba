#
# dot: one point at (10, 0, 0) in a layer whose name is longer than a layer key
#
points
1   10 0 0

layer abcdefghijklmnopqrstuvwxyz0123456789ABCD 127 127 127 doublesided
