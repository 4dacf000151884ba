# Runs the examples of one document in this process, as a newcomer would
# paste them into wish: usage: docs_runner.tcl DOCUMENT ROOT
#
# ROOT stands for the repository root (it holds a copy of samples/) and is the
# current folder while the examples run. In document order, every fenced block
# tagged `tcl` is evaluated command by command at global level, and every block
# whose tag is followed by a file name (```mod samples/stall.mod) is written to
# that file. A command's last line may end in a marker comment:
#   ;# -> TEXT          its result must be TEXT (runs of white space count as one blank)
#   ;# shows "A" "B"    it must show exactly these message boxes, in order
# Without a marker it must show no box. A Tcl error, a background error or a
# wrong result fails it too. Each failure is printed as DOCUMENT:LINE: what;
# the exit code is 1 when anything failed.

lassign $::argv ::document ::root
set ::argv {}
set ::argc 0
set ::failures {}

load $::env(DRUVEX_LIB) Druvex

# A stuck example (a dialog that waits for a user) ends the run instead of the test's time.
after 120000 {
    puts "$::document: the examples did not finish within two minutes"
    exit 3
}

# Message boxes are recorded, not shown.
set ::shown {}
proc tk_messageBox {args} {
    array set opt {-message {}}
    array set opt $args
    lappend ::shown $opt(-message)
    return ok
}

set ::background {}
proc record_background_error {message options} { lappend ::background $message }
interp bgerror {} record_background_error

# Printing asks no one: the page goes to a file. Nobody answers at the CUPS
# server named here, so the print dialog hears of no printers.
set ::env(CUPS_SERVER) [file join $::root no-cups.sock]
proc ::druvex::print_dialog {destinations default} {
    return [list file [file join $::root printed.pdf] default]
}

# One failure a line: line breaks of an error message become " | ".
proc fail {line text} {
    lappend ::failures "$::document:$line: [string map {\n " | "} $text]"
}

# Collapses white space, so "1.000000 2.000000 " reads as "1.000000 2.000000".
proc flat {text} {
    return [string trim [regsub -all {\s+} $text " "]]
}

# Runs one command (text, possibly several lines, ending on line `line`) and
# checks it against the marker of its last line.
proc run_command {line text} {
    set last [lindex [split $text \n] end]
    set want_result {}
    set check_result 0
    set want_shown {}
    if {[regexp {;#\s*->\s*(.*)$} $last -> want_result]} {
        set check_result 1
    } elseif {[regexp {;#\s*shows\s+(.*)$} $last -> shows]} {
        if {[catch {set want_shown [lrange $shows 0 end]}]} {
            fail $line "the shows marker is not a list: $shows"
            return
        }
    }
    set ::shown {}
    set ::background {}
    set code [catch {uplevel #0 $text} result]
    update
    set summary [string trim [lindex [split $text \n] 0]]
    if {$code == 1} {
        fail $line "$summary: error: $result"
    } elseif {$check_result && [flat $result] ne [flat $want_result]} {
        fail $line "$summary: result \"$result\", the reference says \"$want_result\""
    }
    if {$::shown ne $want_shown} {
        fail $line "$summary: showed [list $::shown], the reference says [list $want_shown]"
    }
    foreach message $::background {
        fail $line "$summary: background error: $message"
    }
}

# Evaluates a tcl block: lines gathered until they make a complete command.
proc run_block {first lines} {
    set text {}
    set at $first
    foreach code_line $lines {
        incr at
        if {$text eq "" && ([string trim $code_line] eq "" || [string match "#*" [string trim $code_line]])} {
            continue
        }
        append text $code_line \n
        if {[info complete $text]} {
            run_command $at [string trimright $text \n]
            incr ::commands
            set text {}
        }
    }
    if {$text ne ""} { fail $at "the block ends inside a command" }
}

set ::commands 0
set chan [open $::document]
set doc_lines [split [read $chan] \n]
close $chan

cd $::root
set in_block 0
set number 0
foreach doc_line $doc_lines {
    incr number
    if {!$in_block} {
        if {[regexp {^```(\S+)(?:\s+(\S+))?\s*$} $doc_line -> tag file_name]} {
            set in_block 1
            set block_tag $tag
            set block_file $file_name
            set block_start $number
            set block_lines {}
        }
        continue
    }
    if {[regexp {^```\s*$} $doc_line]} {
        set in_block 0
        if {$block_tag eq "tcl"} {
            run_block $block_start $block_lines
        } elseif {$block_file ne ""} {
            file mkdir [file dirname $block_file]
            set out [open $block_file w]
            puts -nonewline $out [join $block_lines \n]\n
            close $out
        }
        continue
    }
    lappend block_lines $doc_line
}
if {$in_block} { fail $block_start "the block is not closed" }
if {$::commands == 0} { fail 0 "no tcl examples found" }

foreach failure $::failures { puts $failure }
exit [expr {[llength $::failures] > 0}]
