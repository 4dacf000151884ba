joint hip 0 0 0 world 1
blend hip hip
