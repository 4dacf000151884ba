# Loads the extension in Debian's wish, both ways, and exits 0 when both work.
set lib $env(DRUVEX_LIB)
set ok 1
if {[catch {load $lib Druvex} err]} { puts "load failed: $err"; set ok 0 }
if {[info commands druvex] ne "druvex"} { puts "no druvex command after load"; set ok 0 }
set child [interp create]
load {} Tk $child
$child eval [list lappend auto_path [file dirname $lib]]
if {[catch {$child eval {package require Druvex}} err]} { puts "package require failed: $err"; set ok 0 }
interp delete $child
puts [expr {$ok ? "wish: load and package require work" : "wish: FAILED"}]
exit [expr {!$ok}]
