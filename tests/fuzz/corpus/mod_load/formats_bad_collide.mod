# bad line below
points
1 0 0 0
2 1 0 0
3 0 1 0
4 1 1 0
collide c1 cone 0 0 0 1 1 1 0 0 0
