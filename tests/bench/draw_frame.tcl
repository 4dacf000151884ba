# Frame time of `druvex draw` on a 1,036,800-triangle scene against a minimal
# immediate-mode program drawing the same triangles, in one run.
#
#   wish draw_frame.tcl LIBRARY REFERENCE_PROGRAM [FRAMES]
#
# (under Xvfb: xvfb-run -a -s "-screen 0 1024x768x24" wish ...). Prints the
# median frame time of each and the ratio viewer / reference. The first
# viewer frame, which builds the face caches, is reported apart: open plus
# first frame against open plus 1.5 steady frames, for the first open of the
# process and for the scene opened again after a reset.
lassign $argv library reference frames
if {$frames eq ""} { set frames 10 }
set width 640
set height 480

proc median {values} {
    set sorted [lsort -real $values]
    return [lindex $sorted [expr {[llength $sorted] / 2}]]
}

set dir [file join [pwd] draw_frame_scene]
file mkdir $dir
exec $reference scene $dir

load $library Druvex
proc tk_messageBox {args} { puts stderr "message: $args"; return ok }
wm geometry . ${width}x${height}+0+0
frame .f -width $width -height $height
pack .f
update
druvex create window gl .f
update

# Milliseconds the script takes.
proc time_ms {script} {
    set start [clock microseconds]
    uplevel 1 $script
    return [expr {([clock microseconds] - $start) / 1000.0}]
}

set load_ms [time_ms {druvex file open [file join $dir scene.mod]}]
set first_ms [time_ms {druvex draw}]

# Rounds of reference frames and viewer frames in turn, so a slower spell of
# the machine falls on both.
set times {}
set refs {}
for {set round 0} {$round < 3} {incr round} {
    lappend refs [exec $reference draw $width $height $frames]
    for {set i 0} {$i < $frames} {incr i} {
        lappend times [time_ms {druvex draw}]
    }
}
set viewer [median $times]
set ref [median $refs]

puts [format "scene load: %.1f ms" $load_ms]
puts [format "druvex draw, median of %d frames: %.1f ms" [llength $times] $viewer]
puts [format "reference immediate mode, median of 3 medians of %d frames: %.1f ms (%s)" $frames $ref $refs]
puts [format "ratio: %.2f (spread of frames %.1f-%.1f ms)" [expr {$viewer / $ref}] \
    [lindex [lsort -real $times] 0] [lindex [lsort -real $times] end]]
puts [format "first frame: %.1f ms = %.2f steady frames" $first_ms [expr {$first_ms / $viewer}]]
puts [format "open + first frame: %.1f ms; open + 1.5 steady frames: %.1f ms; ratio %.2f" \
    [expr {$load_ms + $first_ms}] [expr {$load_ms + 1.5 * $viewer}] \
    [expr {($load_ms + $first_ms) / ($load_ms + 1.5 * $viewer)}]]

# The same scene closed and opened again in the same window: the renderer has already
# compiled what the first frame of the process needed, so this first frame is the viewer's
# own cost (face caches built anew) on top of a steady frame.
druvex reset
set reload_ms [time_ms {druvex file open [file join $dir scene.mod]}]
set again_ms [time_ms {druvex draw}]
puts [format "reopened: open %.1f ms, first frame %.1f ms = %.2f steady frames; ratio to open + 1.5 steady %.2f" \
    $reload_ms $again_ms [expr {$again_ms / $viewer}] \
    [expr {($reload_ms + $again_ms) / ($reload_ms + 1.5 * $viewer)}]]
file delete -force $dir
exit
