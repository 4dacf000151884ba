# Shared set-up for the Tcl tests: loads the extension named by DRUVEX_LIB,
# records message boxes and background errors instead of showing them, and
# ends the run with an exit code that reflects the failures (cleanupTests
# alone exits 0 under Tk).

set ::argv {}
set ::argc 0
package require tcltest 2
namespace import ::tcltest::*

set ::druvex_lib $::env(DRUVEX_LIB)
set ::druvex_build $::env(DRUVEX_BUILD)
set ::fixtures $::env(DRUVEX_FIXTURES)
testConstraint sim [expr {$::druvex_build eq "sim"}]
testConstraint print [expr {$::druvex_build eq "print"}]

load $::druvex_lib Druvex

# Every message box becomes an entry {title icon message} of ::messages and
# returns at once. A test may set ::on_message to a script run inside the box.
set ::messages {}
set ::on_message {}
proc tk_messageBox {args} {
    array set opt {-title {} -icon {} -message {}}
    array set opt $args
    lappend ::messages [list $opt(-title) $opt(-icon) $opt(-message)]
    if {$::on_message ne ""} {
        set script $::on_message
        set ::on_message {}
        uplevel #0 $script
    }
    return ok
}

# Every background error becomes an entry {message errorinfo} of ::bgerrors
# instead of Tk's error dialog.
set ::bgerrors {}
proc record_bgerror {message options} {
    set info [expr {[dict exists $options -errorinfo] ? [dict get $options -errorinfo] : ""}]
    lappend ::bgerrors [list $message $info]
}
interp bgerror {} record_bgerror

# Reports the background errors still pending, returns the recorded ones and
# forgets them.
proc bgerrors {} {
    update idletasks
    set e $::bgerrors
    set ::bgerrors {}
    return $e
}

# Returns the recorded messages and forgets them.
proc messages {} {
    set m $::messages
    set ::messages {}
    return $m
}

# Returns only the texts of the recorded messages and forgets them.
proc message_texts {} {
    set out {}
    foreach m [messages] { lappend out [lindex $m 2] }
    return $out
}

# A fresh scratch directory for one test file.
proc scratch_dir {} {
    set d [file join [pwd] scratch-[pid]-[file rootname [file tail [info script]]]]
    file mkdir $d
    return $d
}

proc finish {} {
    set failed $::tcltest::numTests(Failed)
    set total $::tcltest::numTests(Total)
    # cleanupTests exits 0 by itself under Tk: keep it from doing so.
    rename ::exit ::harness_exit
    proc ::exit {args} {}
    cleanupTests
    rename ::exit {}
    rename ::harness_exit ::exit
    if {$total == 0} { set failed 1 }
    exit [expr {$failed > 0 ? 1 : 0}]
}
