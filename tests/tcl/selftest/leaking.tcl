# A test file whose tests pass but which leaks on purpose, after drawing in a
# GL window as the real tests do: in the sanitizer build the leak check must
# report it and make the run fail.
source [file join [file dirname [info script]] .. harness.tcl]

frame .f -width 200 -height 150
pack .f
update
druvex create window gl .f
update

test selftest-2.1 {a drawn model, then a leak under a Tcl command} -body {
    druvex file open [file join $::fixtures select box.mod]
    druvex draw
    host_leak 4099 16
    messages
} -result {}

finish
