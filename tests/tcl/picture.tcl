# Pictures of drawn frames for the drawing tests: a 400 x 300 frame .f with
# the GL window in it, read back from the X server with xwd. With the camera
# of a fresh window and a model smaller than the default view, one scene unit
# is 400 / 70 pixels and the scene origin is at the window's centre.

wm geometry . +0+0
frame .f -width 400 -height 300
pack .f
update

set ::status {}
proc status_proc {args} { lappend ::status [join $args " "] }
druvex callback status status_proc

# Handles events until the script is true, for at most ms milliseconds.
proc wait_for {script {ms 3000}} {
    set end [expr {[clock milliseconds] + $ms}]
    while {![uplevel 1 [list expr $script]] && [clock milliseconds] < $end} {
        update
        after 20
    }
    update
}

# Creates the GL window in .f and waits until it has its size.
proc make_window {} {
    druvex create window gl .f
    update
    wait_for {[lsearch $::status 396x296] >= 0}
}

# Window pixel of scene point (x, y) at z 0 for the default camera.
proc at {x y} {
    list [expr {round(200 + $x * 400 / 70.0)}] [expr {round(150 - $y * 400 / 70.0)}]
}

# Opens a fixture of tests/fixtures/draw after putting the display options
# that the drawing tests use back to known values (lighting off, so colours
# are exact), sets the given options, draws, and returns the grab.
proc open_and_draw {name args} {
    foreach {option value} {wireframe off mirror on backfaces on transparency on quadlines off
                            triangles on reflect on textures on smooth off lighting off
                            curves on pnfilter off lod 1 normals off points off skeleton off
                            grid off cursor off collide off lines on gouraud on} {
        druvex display $option $value
    }
    foreach {option value} $args { druvex display $option $value }
    druvex file open [file join $::fixtures draw $name]
    return [redraw]
}

proc redraw {} {
    druvex draw
    return [grab]
}

# A picture of the frame .f: {width height bytes_per_line bits_per_pixel
# byte_order {red_mask green_mask blue_mask} pixel_data}.
proc grab {} {
    update
    set f [open [list | timeout 20 xwd -id [winfo id .f] -silent] rb]
    set data [read $f]
    close $f
    binary scan $data Iu25 header
    lassign $header header_size - - - width height - byte_order - - - bpp stride \
        - red green blue - - ncolors
    set start [expr {$header_size + $ncolors * 12}]
    return [list $width $height $stride $bpp $byte_order [list $red $green $blue] \
                [string range $data $start end]]
}

# The colour {r g b} (0..255) of pixel (px, py) of a grab.
proc pixel {grab px py} {
    lassign $grab width height stride bpp order masks data
    set bytes [expr {$bpp / 8}]
    set at [expr {$py * $stride + $px * $bytes}]
    binary scan [string range $data $at [expr {$at + $bytes - 1}]] cu* values
    set value 0
    if {$order == 0} { set values [lreverse $values] }
    foreach byte $values { set value [expr {($value << 8) | $byte}] }
    set rgb {}
    foreach mask $masks {
        set shift 0
        while {$mask != 0 && ($mask & 1) == 0} { set mask [expr {$mask >> 1}]; incr shift }
        set channel [expr {($value >> $shift) & $mask}]
        if {$mask != 255 && $mask != 0} { set channel [expr {$channel * 255 / $mask}] }
        lappend rgb $channel
    }
    return $rgb
}

# The colours {r g b} of scene points in a grab, one per {x y} pair.
proc colours {grab args} {
    set out {}
    foreach point $args { lappend out [pixel $grab {*}[at {*}$point]] }
    return $out
}

# 1 when every channel of colour a is within 3 of colour b.
proc near {a b} {
    foreach x $a y $b {
        if {abs($x - $y) > 3} { return 0 }
    }
    return 1
}

# 1 when a pixel within radius pixels of scene point (x, y) has about the colour.
proc shows {grab x y colour {radius 2}} {
    lassign [at $x $y] px py
    for {set dy -$radius} {$dy <= $radius} {incr dy} {
        for {set dx -$radius} {$dx <= $radius} {incr dx} {
            if {[near [pixel $grab [expr {$px + $dx}] [expr {$py + $dy}]] $colour]} { return 1 }
        }
    }
    return 0
}
