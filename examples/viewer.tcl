# A small user interface for the Druvex viewer: the GL window in a frame, a
# status line, File open / add / reload (and Print in the print build),
# display toggles, view directions, animation play / stop and single steps,
# picking and moving models, and mouse dragging in the window (left rotates,
# middle pans, right zooms; in move mode left picks and drags a model).
#
#   wish examples/viewer.tcl [MODEL.mod | SCENE.lst]
#
# The library is $env(DRUVEX_LIB) (default: build/sim/libplyvo.so beside this
# folder). MODEL defaults to samples/figure.mod; a scene list (.lst, such as
# samples/walk.lst) is opened as an animated scene. With
# $env(DRUVEX_SCREENSHOT) set, the script draws once (a scene a few frames in),
# writes a PNG picture of its window to that path (xwd and ImageMagick's
# convert) and exits.

set top [file dirname [file dirname [file normalize [info script]]]]
if {[info exists env(DRUVEX_LIB)]} {
    set library $env(DRUVEX_LIB)
} else {
    set library [file join $top build sim libplyvo.so]
}
load $library Druvex

# Without a screen nobody can answer a message box: print the message instead.
if {[info exists env(DRUVEX_SCREENSHOT)]} {
    proc tk_messageBox {args} {
        array set opt {-message {}}
        array set opt $args
        puts stderr "message: $opt(-message)"
        return ok
    }
}

set model [lindex $argv 0]
if {$model eq ""} { set model [file join $top samples figure.mod] }
set model [file normalize $model]

# ---- window layout -----------------------------------------------------------
wm title . "Druvex"
wm geometry . 720x560
menu .menu
. configure -menu .menu
frame .view -background black -width 720 -height 520
label .status -anchor w -relief sunken -text "Ready"
pack .status -side bottom -fill x
pack .view -side top -fill both -expand 1

menu .menu.file -tearoff 0
.menu add cascade -label File -menu .menu.file
.menu.file add command -label "Open..." -command {open_model open}
.menu.file add command -label "Add..." -command {open_model add}
.menu.file add command -label "Open scene..." -command {open_scene_dialog}
.menu.file add command -label "Reload" -command {druvex file reload; redraw}
# Only the print build prints; it defines the print dialog when it loads.
if {[llength [info procs ::druvex::print_dialog]]} {
    .menu.file add command -label "Print..." -command {druvex print}
}
.menu.file add separator
.menu.file add command -label "Exit" -command exit

# Display toggles: option word, menu label, default as the viewer starts.
menu .menu.display -tearoff 0
.menu add cascade -label Display -menu .menu.display
foreach {option label default} {
    wireframe    Wireframe    0
    lighting     Lighting     1
    mirror       Mirror       1
    backfaces    Backfaces    1
    transparency Transparency 1
    points       Points       0
    gouraud      Gouraud      1
    textures     Textures     1
    smooth       Smooth       0
    reflect      Reflections  1
    curves       Curves       1
    normals      Normals      0
    skeleton     Skeleton     0
    grid         Grid         0
    cursor       Cursor       0
    collide      {Collide boxes} 1
} {
    set ::display($option) $default
    .menu.display add checkbutton -label $label -variable ::display($option) \
        -command [list toggle $option]
}

# View directions: the words of `druvex set view`, named as the viewer names
# them for a scene with z up (down looks straight down, north looks north).
# Down is the start view: x to the right, y up, looking along -z.
menu .menu.view -tearoff 0
.menu add cascade -label View -menu .menu.view
foreach {word label} {down Down up Up north North south South east East west West} {
    .menu.view add command -label $label -command [list view_direction $word]
}
.menu.view add separator
.menu.view add command -label Centre -command {druvex set view centre; redraw}
.menu.view add command -label Perspective -command {druvex set view perspective; redraw}
.menu.view add command -label Parallel -command {druvex set view parallel; redraw}

# Animation: play / stop, single steps and the frame rate. Space plays and
# stops, the arrow keys step.
set ::fps 30
set ::playing 0
menu .menu.anim -tearoff 0
.menu add cascade -label Animation -menu .menu.anim
.menu.anim add checkbutton -label "Play" -variable ::playing -command play_changed -accelerator Space
.menu.anim add command -label "Step forward" -command {step next} -accelerator Right
.menu.anim add command -label "Step back" -command {step prev} -accelerator Left
.menu.anim add separator
foreach rate {10 15 25 30 60} {
    .menu.anim add radiobutton -label "$rate frames a second" -variable ::fps -value $rate \
        -command {druvex animate step $::fps}
}
bind . <space> {set ::playing [expr {!$::playing}]; play_changed}

# Models: move mode makes a left click pick the model under the pointer and a
# left drag move it in the plane of the screen; the model menu selects by id.
set ::move_mode 0
set ::move_step 0.5
set ::models {}
set ::picked {}
menu .menu.models -tearoff 0 -postcommand fill_model_menu
.menu add cascade -label Models -menu .menu.models
bind . <m> {set ::move_mode [expr {!$::move_mode}]}
bind . <Right> {step next}
bind . <Left> {step prev}

# ---- behaviour ---------------------------------------------------------------
set ::zoom 1.0

proc redraw {} {
    druvex draw
}

# The model menu: move mode, the drag step and one entry per model opened here.
proc fill_model_menu {} {
    .menu.models delete 0 end
    .menu.models add checkbutton -label "Move mode" -variable ::move_mode -accelerator M
    foreach step {0.1 0.5 2} {
        .menu.models add radiobutton -label "Drag step $step" -variable ::move_step -value $step
    }
    .menu.models add separator
    foreach id $::models {
        .menu.models add command -label "Select model $id" -command [list pick_model $id]
    }
    .menu.models add command -label "Select none" \
        -command {druvex select clear; set ::picked {}; .status configure -text "Nothing selected"}
}

proc pick_model {id} {
    druvex select clear
    druvex select model $id
    set ::picked $id
    .status configure -text "Selected model $id"
}

# The model nearest the scene point under the pixel: the one whose box centre
# lies closest to it. Nothing is picked on the background.
proc pick_at {x y} {
    set point [druvex get vertex at $x $y]
    if {$point eq "0 0 0" || [llength $::models] == 0} return
    lassign $point px py pz
    set best {}
    set best_distance 0
    foreach id $::models {
        druvex select clear
        druvex select model $id
        lassign [druvex select centre] cx cy cz
        set d [expr {($cx - $px) ** 2 + ($cy - $py) ** 2 + ($cz - $pz) ** 2}]
        if {$best eq "" || $d < $best_distance} {
            set best $id
            set best_distance $d
        }
    }
    druvex select clear
    druvex select model $best
    set ::picked $best
    .status configure -text "Picked model $best"
}

# Moves the picked model by a drag of dx, dy pixels along the screen's own
# axes in the scene (the first two rows of the view rotation). The viewer's
# translation is absolute, so the script keeps each model's offset from where
# it was loaded (models load untranslated).
proc move_selection {dx dy} {
    if {$::picked eq ""} return
    set m [druvex get matrix view]
    set step $::move_step
    lassign $::offset($::picked) ox oy oz
    set ox [expr {$ox + ($dx * [lindex $m 0] - $dy * [lindex $m 1]) * $step}]
    set oy [expr {$oy + ($dx * [lindex $m 4] - $dy * [lindex $m 5]) * $step}]
    set oz [expr {$oz + ($dx * [lindex $m 8] - $dy * [lindex $m 9]) * $step}]
    set ::offset($::picked) [list $ox $oy $oz]
    druvex select translate $ox $oy $oz
}

proc toggle {option} {
    druvex display $option [expr {$::display($option) ? "on" : "off"}]
    redraw
}

proc view_direction {word} {
    druvex set view $word
    redraw
}

proc open_model {how} {
    set path [tk_getOpenFile -filetypes {{{Druvex models} {.mod}} {{All files} *}}]
    if {$path eq ""} return
    set id [druvex file $how $path]
    if {$id > 0} {
        if {$how eq "open"} { set ::models {} ; set ::picked {} }
        lappend ::models $id
        set ::offset($id) {0 0 0}
    }
    # An added model that widens the view makes the viewer scale its zoom;
    # the zoom cannot be read back, so the script's own value is set again
    # (which shows the whole widened scene) and zoom drags go on from it.
    if {$how eq "add"} { druvex set view zoom $::zoom }
    redraw
}

# A scene list names its files relative to the current folder, so the
# viewer opens it from the list's own folder.
proc open_scene {path} {
    set here [pwd]
    cd [file dirname $path]
    set opened [druvex animate open [file tail $path]]
    cd $here
    druvex animate step $::fps
    return $opened
}

proc open_scene_dialog {} {
    set path [tk_getOpenFile -filetypes {{{Scene lists} {.lst}} {{All files} *}}]
    if {$path eq ""} return
    open_scene $path
    redraw
}

# One frame forward (next) or back (prev); stops playing.
proc step {direction} {
    set ::playing 0
    play_changed
    druvex animate $direction
    redraw
}

# Starts or stops the frame timer; at most one tick is ever waiting.
set ::tick {}
proc play_changed {} {
    after cancel $::tick
    set ::tick {}
    if {$::playing} play_tick
}

# While playing: one frame forward and a redraw each 1/fps seconds.
proc play_tick {} {
    if {!$::playing} return
    druvex animate next
    redraw
    set ::tick [after [expr {1000 / $::fps}] play_tick]
}

# The status line shows each status text (the words arrive as arguments).
proc on_status {args} {
    .status configure -text [join $args " "]
}

# Mouse in the GL window: button x y dx dy. Left drags rotate, middle drags
# pan, right drags zoom (up zooms in).
proc on_mouse {button x y dx dy} {
    if {$::move_mode && $button == 1} {
        if {$dx == 0 && $dy == 0} { pick_at $x $y } else { move_selection $dx $dy }
        redraw
        return
    }
    if {$dx == 0 && $dy == 0} return
    switch -- $button {
        1 { druvex set view rotate $dx $dy }
        2 { druvex set view pan $dx $dy }
        3 {
            set ::zoom [expr {$::zoom * exp($dy * 0.01)}]
            if {$::zoom < 0.001} { set ::zoom 0.001 }
            if {$::zoom > 100} { set ::zoom 100 }
            druvex set view zoom $::zoom
        }
        default return
    }
    redraw
}

druvex callback status on_status
druvex callback mouse on_mouse
update
druvex create window gl .view
update
if {[string tolower [file extension $model]] eq ".lst"} {
    open_scene $model
} else {
    set id [druvex file open $model]
    if {$id > 0} {
        set ::models [list $id]
        set ::offset($id) {0 0 0}
    }
}
redraw

# ---- picture of the window, for a run without a screen -----------------------
if {[info exists env(DRUVEX_SCREENSHOT)]} {
    if {[string tolower [file extension $model]] eq ".lst"} {
        for {set i 0} {$i < 10} {incr i} { druvex animate next }
    }
    update
    after 300
    update
    redraw
    update
    set out $env(DRUVEX_SCREENSHOT)
    if {[catch {exec sh -c {xwd -silent -id "$1" | convert xwd:- "png:$2"} sh [wm frame .] $out} problem]} {
        puts stderr "no screenshot: $problem"
        exit 1
    }
    puts "Screenshot of the viewer written to $out"
    exit 0
}
