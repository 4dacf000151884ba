# bad line below
points
1 0 0 0
2 1 0 0
3 0 1 0
4 1 1 0
7 1 2
