# Tcl package index for the Druvex extension: `package require Druvex` loads
# the library that lies beside this file.
package ifneeded Druvex 1.0 [list apply {{dir} {
    load [file join $dir libplyvo.so] Druvex
    package provide Druvex 1.0
}} $dir]
