joint hip 0 0 0 world
