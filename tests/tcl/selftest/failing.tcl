# A test file with one failing test: the runner must exit non-zero for it.
source [file join [file dirname [info script]] .. harness.tcl]

test selftest-1.1 {this test fails on purpose} -body { expr {1 + 1} } -result 3

finish
