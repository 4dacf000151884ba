# Found from the parent as "Parts/WHEEL": its case differs.
points
1 0 0 0
2 2 0 0
3 0 2 0
layer rim 50 50 50 doublesided
lines
2 1 2 3 1
