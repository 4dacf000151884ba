# a model whose child file does not exist
points
1   0 0 0
2   1 0 0
3   0 1 0

normals
1   0.000 0.000 1.000
2   0.000 0.000 1.000
3   0.000 0.000 1.000

child  nosuchchild  0 0 0  1.000 1.000 1.000  0 0 0
