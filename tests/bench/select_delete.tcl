# Time of `select all` followed by `select delete` over 1,000 and 2,000 loaded
# one-point models: the delete indexes the loaded models once, so twice the
# models should take about twice the time.
#
#   wish select_delete.tcl LIBRARY
#
# (under Xvfb: xvfb-run -a wish ...; the test host build/tests/druvex_host
# runs it the same way). Prints the milliseconds of each run.
lassign $argv library
load $library Druvex
proc tk_messageBox {args} { puts stderr "message: $args"; return ok }

set dir [file join [pwd] select_delete_models]
file mkdir $dir
set path [file join $dir dot.mod]
set f [open $path w]
puts $f "points\n1   10 0 0\n\nlayer skin 127 127 127 doublesided"
close $f

foreach n {1000 2000} {
    druvex file open $path
    for {set i 1} {$i < $n} {incr i} { druvex file add $path }
    set micro [lindex [time {druvex select all; druvex select delete} 1] 0]
    puts [format "%d models: select all + select delete %.2f ms (%s left)" $n [expr {$micro / 1000.0}] \
              [druvex find model dot]]
}
file delete -force $dir
exit 0
