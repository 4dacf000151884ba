puts [info library]
