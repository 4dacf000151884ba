#
# brood: one point at the origin and six pip children along x
#
points
1   0 0 0

layer base 127 127 0 doublesided

child  pip  100 0 0  1.000 1.000 1.000  0 0 0
child  pip  200 0 0  1.000 1.000 1.000  0 0 0
child  pip  300 0 0  1.000 1.000 1.000  0 0 0
child  pip  400 0 0  1.000 1.000 1.000  0 0 0
child  pip  500 0 0  1.000 1.000 1.000  0 0 0
child  pip  600 0 0  1.000 1.000 1.000  0 0 0
