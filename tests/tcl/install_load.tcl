# Run by a plain wish with TCLLIBPATH naming an installed package folder:
# `package require Druvex` finds the installed extension, whose `druvex` command
# opens the sample crate in a GL window and draws it. Exits 0 when the middle of
# the window shows the model, not the black background.
source [file join [file dirname [info script]] screen.tcl]
set ok 1
proc fail {text} { puts "install: $text"; exit 1 }
if {[catch {package require Druvex} version]} { fail "package require failed: $version" }
if {$version ne "1.0"} { fail "version $version" }
if {[info commands druvex] ne "druvex"} { fail "no druvex command" }
set loaded [lindex [lsearch -inline -index 1 [info loaded] Druvex] 0]
if {![string match $env(DRUVEX_INSTALLED)/* $loaded]} { fail "loaded $loaded, not the installed library" }

proc tk_messageBox {args} { puts "message: $args"; return ok }
wm geometry . +30+30
frame .f -width 300 -height 300
pack .f
update
druvex create window gl .f
update
druvex file open $env(DRUVEX_SAMPLE)
set centre {0 0 0}
for {set i 0} {$i < 40 && $centre eq {0 0 0}} {incr i} {
    druvex draw
    update
    after 100
    set centre [grab_pixel [window_grab .f] 150 150]
}
if {$centre eq {0 0 0}} { fail "the sample model was not drawn" }
puts "install: package require Druvex $version from $loaded draws the sample (centre $centre)"
exit 0
