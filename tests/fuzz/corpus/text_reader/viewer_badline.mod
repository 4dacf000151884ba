# a data line before any section
1   0 0 0
