# The reference stays true: every example of the README, docs/commands.md and
# docs/formats.md runs as written (docs_runner.tcl), each document in a fresh
# process with its own GL window, from a folder that stands for the
# repository root (it holds a copy of samples/, so the examples' paths read
# the same and their saves stay out of the tree). Print build only: the
# examples print.
source [file join [file dirname [info script]] harness.tcl]

set ::top [file normalize [file join [file dirname [info script]] .. ..]]
set ::runner [file join [file dirname [info script]] docs_runner.tcl]

# A fresh root with the samples; returns its path.
proc make_root {name} {
    set root [file join [pwd] docs-root-[pid]-$name]
    file delete -force $root
    file mkdir $root
    file copy [file join $::top samples] [file join $root samples]
    return $root
}

# Runs the runner on a document in a child process: {exit-code output}.
proc run_child {document root} {
    set code [catch {exec [info nameofexecutable] $::runner $document $root 2>@1} output]
    regsub {\n?child process exited abnormally$} $output {} output
    return [list $code $output]
}

# Runs the examples of a document; returns what the runner reported (empty
# when every example held) and removes the root on success.
proc run_examples {document name} {
    set root [make_root $name]
    lassign [run_child $document $root] code output
    if {$code == 0} { file delete -force $root }
    return $output
}

# The names and sizes of the files in a folder, in name order.
proc folder_files {dir} {
    set out {}
    foreach path [lsort [glob -nocomplain -directory $dir *]] { lappend out [file tail $path] [file size $path] }
    return $out
}

# The block's saves land in its scratch folder, build/example: the root holds
# nothing new but that and the page the runner prints, and the samples are
# as they were copied there.
test docs-1.1 {the README's example block runs from the repository root as written and saves only into its scratch folder} -body {
    set root [make_root readme]
    lassign [run_child [file join $::top README.md] $root] code output
    set out [list $output [lsort [glob -directory $root -tails *]] \
        [lsort [glob -nocomplain -directory [file join $root build example] -tails *]] \
        [expr {[folder_files [file join $root samples]] eq [folder_files [file join $::top samples]]}]]
    if {$code == 0} { file delete -force $root }
    set out
} -result {{} {build printed.pdf samples} {figure.mod shot.tga} 1}

test docs-1.2 {every example of the command reference runs with the results and messages it gives} -body {
    run_examples [file join $::top docs commands.md] commands
} -result {}

test docs-1.3 {every example of the format reference runs: its files open without a message} -body {
    run_examples [file join $::top docs formats.md] formats
} -result {}

# The runner itself: a document whose examples go wrong in each way it must
# catch, and one with nothing to run.
test docs-2.1 {the runner reports a box nobody expected, a box that did not come, a wrong result, an error and a background error} -setup {
    set root [make_root selftest]
    set doc [file join $root wrong.md]
    set out [open $doc w]
    puts $out "```tcl"
    puts $out "druvex frobnicate"
    puts $out "druvex draw                  ;# shows \"druvex: unknown command: draw\""
    puts $out "expr {1 + 1}                 ;# -> 3"
    puts $out "expr {1 +}"
    puts $out "after idle {error late}"
    puts $out "expr {2 * 2}                 ;# -> 4"
    puts $out "```"
    puts $out "```mod samples/written.mod"
    puts $out "points"
    puts $out "```"
    close $out
} -body {
    lassign [run_child $doc $root] code output
    set lines [split $output \n]
    list $code [llength $lines] \
        [string match "*:2: druvex frobnicate: showed {{druvex: unknown command: frobnicate}}, the reference says {}" [lindex $lines 0]] \
        [string match "*:3: druvex draw *: showed {}, the reference says {{druvex: unknown command: draw}}" [lindex $lines 1]] \
        [string match "*:4: expr {1 + 1} *: result \"2\", the reference says \"3\"" [lindex $lines 2]] \
        [string match "*:5: expr {1 +}: error: *" [lindex $lines 3]] \
        [string match "*:6: after idle {error late}: background error: late" [lindex $lines 4]] \
        [file exists [file join $root samples written.mod]]
} -cleanup {
    file delete -force $root
} -result {1 5 1 1 1 1 1 1}

test docs-2.2 {a document without tcl examples fails rather than passing unread} -setup {
    set root [make_root empty]
    set doc [file join $root empty.md]
    set out [open $doc w]
    puts $out "Nothing to run here."
    close $out
} -body {
    run_child $doc $root
} -cleanup {
    file delete -force $root
} -match glob -result {1 {*:0: no tcl examples found}}

finish
