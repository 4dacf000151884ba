# Reading what the X server shows, for the Tcl tests: a screenshot of the
# whole screen or of one window with xwd, and the colour of one pixel in it.

# Takes a screenshot of the root window and returns its parsed form
# {width height bytes_per_line bits_per_pixel byte_order masks data}.
proc screen_grab {} {
    return [xwd_grab -root]
}

# Takes a picture of one Tk window in the form of screen_grab; its pixels
# are addressed in the window's own coordinates.
proc window_grab {window} {
    return [xwd_grab -id [winfo id $window]]
}

# Runs xwd with the given window choice and parses its picture; a grab that
# hangs fails after 20 seconds instead of stopping the test.
proc xwd_grab {args} {
    update
    set f [open [list | timeout 20 xwd {*}$args -silent] rb]
    set data [read $f]
    close $f
    binary scan $data Iu20 fields
    lassign $fields header_size version format depth width height xoffset byte_order \
        bitmap_unit bit_order bitmap_pad bits_per_pixel bytes_per_line \
        visual_class red_mask green_mask blue_mask bits_per_rgb \
        colormap_entries ncolors
    set start [expr {$header_size + $ncolors * 12}]
    return [list $width $height $bytes_per_line $bits_per_pixel $byte_order \
                [list $red_mask $green_mask $blue_mask] [string range $data $start end]]
}

# The colour {r g b} (0..255 each) of screen pixel (x, y) of a grab.
proc grab_pixel {grab x y} {
    lassign $grab width height stride bpp order masks data
    set bytes [expr {$bpp / 8}]
    set at [expr {$y * $stride + $x * $bytes}]
    set pixel 0
    for {set i 0} {$i < $bytes} {incr i} {
        binary scan [string index $data [expr {$at + $i}]] cu byte
        if {$order == 0} {
            set pixel [expr {$pixel | ($byte << (8 * $i))}]
        } else {
            set pixel [expr {($pixel << 8) | $byte}]
        }
    }
    set rgb {}
    foreach mask $masks {
        set shift 0
        while {$mask != 0 && ($mask & 1) == 0} { set mask [expr {$mask >> 1}]; incr shift }
        set value [expr {($pixel >> $shift) & $mask}]
        if {$mask != 255 && $mask != 0} { set value [expr {$value * 255 / $mask}] }
        lappend rgb $value
    }
    return $rgb
}

# The colour {r g b} of pixel (x, y) of a Tk window, taken from the screen.
proc window_pixel {window x y} {
    set grab [screen_grab]
    return [grab_pixel $grab [expr {[winfo rootx $window] + $x}] [expr {[winfo rooty $window] + $y}]]
}

# Waits until the script gives a true result, handling events, for at most
# ms milliseconds; returns the script's last result.
proc wait_for {script {ms 2000}} {
    set end [expr {[clock milliseconds] + $ms}]
    while {1} {
        update
        set ok [uplevel 1 [list expr $script]]
        if {$ok || [clock milliseconds] > $end} { return $ok }
        after 20
    }
}
