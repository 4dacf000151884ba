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
# samples/walk.lst) is opened as an animated scene. A model is first shown
# from a front corner a little above it, a scene from the side. When the model
# or scene given cannot be opened the script says why and exits with status 1.
# With $env(DRUVEX_SCREENSHOT) set, the script draws once (a scene a second
# in), writes a PNG picture of its whole window, menu bar included, to that
# path (xwd, xwininfo and ImageMagick's convert) and exits.
#
# The script checks every result it uses: a model id is a positive integer
# (a failed open answers 0, or whatever the information box left). Every
# information box the extension shows also shows in the status line.
#
# The druvex command splits its words at blanks, so no path it is given may
# hold one. The viewer opens each model or scene from its own folder, which it
# changes into for the open (see library_path), so any of them opens,
# wherever its folder is, as long as its own file name holds no blank; one
# that does is refused with a message saying why, and so is an added model
# whose folder cannot be named from there without a blank.

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

# Every box also puts its text in the status line, and the texts of the boxes
# of one operation are kept (see begin_report) to say why it failed.
rename tk_messageBox viewer_message_box
set ::reported {}
proc tk_messageBox {args} {
    array set opt {-message {}}
    array set opt $args
    lappend ::reported $opt(-message)
    if {[winfo exists .status]} { .status configure -text $opt(-message) }
    return [viewer_message_box {*}$args]
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
.menu.file add command -label "Open..." -command {open_dialog open}
.menu.file add command -label "Add..." -command {open_dialog add}
.menu.file add command -label "Open scene..." -command {open_scene_dialog}
.menu.file add command -label "Reload" -command {reload; redraw}
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
# Down looks along -z with x to the right and y up. Home is the start view.
menu .menu.view -tearoff 0
.menu add cascade -label View -menu .menu.view
.menu.view add command -label Home -command {home_view; redraw}
foreach {word label} {down Down up Up north North south South east East west West} {
    .menu.view add command -label $label -command [list view_direction $word]
}
.menu.view add separator
.menu.view add command -label Centre -command {centre_view; redraw}
.menu.view add command -label Perspective -command {set_projection perspective}
.menu.view add command -label Parallel -command {set_projection parallel}

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

# Models: move mode makes a left click pick the model under the pointer and a
# left drag move it in the plane of the screen, as far as the pointer went
# times the drag step; the model menu selects by id.
set ::move_mode 0
set ::move_step 1
menu .menu.models -tearoff 0 -postcommand fill_model_menu
.menu add cascade -label Models -menu .menu.models

# Keys pressed over the GL window reach these bindings too: the window passes
# them on to Tk.
bind . <space> {set ::playing [expr {!$::playing}]; play_changed}
bind . <m> {set ::move_mode [expr {!$::move_mode}]; show_move_mode}
bind . <M> {set ::move_mode [expr {!$::move_mode}]; show_move_mode}
bind . <Right> {step next}
bind . <Left> {step prev}

# ---- the models the viewer holds ---------------------------------------------
# ::models lists their ids in load order; ::name($id) is each one's name (what
# `find model` finds it by) and ::offset($id) its translation, which the script
# keeps since the viewer's translation is absolute and cannot be read back.
# ::picked is the id that move mode drags, or empty. ::scene_path is the path
# of the open scene list, empty when models were opened one by one. ::focus
# is the scene point the view is centred on, as the last open or View >
# Centre put it. ::home is the folder of the last model or scene opened: the
# library reads relative paths from the current folder, so every add and
# reload runs there, and every open in its file's folder (see in_folder).
set ::models {}
set ::picked {}
set ::scene_path {}
set ::home [pwd]
set ::focus {0 0 0}
# The zoom of the start view, and the zoom now (right drags change it).
set ::home_zoom 1.2
set ::zoom $::home_zoom
# 1 while the view is in perspective.
set ::perspective 0

# "1 model", "2 models": n and the word, plural but for 1.
proc plural {n word} {
    return [expr {$n == 1 ? "$n $word" : "$n ${word}s"}]
}

# 1 when a result is a model id: a positive integer.
proc is_id {value} {
    return [expr {[string is integer -strict $value] && $value > 0}]
}

# The name the viewer gives a model read from path: the file name without a
# four-character extension such as .mod, in lower case.
proc model_name {path} {
    set name [lindex [split $path "/\\"] end]
    if {[string length $name] >= 5 && [string index $name end-3] eq "."} {
        set name [string range $name 0 end-4]
    }
    return [string tolower $name]
}

# The names of the models a scene list loads, in its order: one per line of
# two tokens or more (directory, file, ...), comments and blank lines skipped.
proc scene_model_names {path} {
    set names {}
    set f [open $path r]
    foreach line [split [read $f] "\n"] {
        if {[string index $line 0] eq "#"} continue
        set tokens [regexp -all -inline {"[^"]*"|[^ \t\r"]+} $line]
        if {[llength $tokens] < 2} continue
        lappend names [model_name [string trim [lindex $tokens 1] "\""]]
        if {[llength $names] == 24} break
    }
    close $f
    return $names
}

# The loaded models with these names, as a list of id and name pairs in the
# order of the names; a name that no model has is left out. `find model`
# answers the first model of a name, so each one found is renamed out of the
# way while the next of the same name is looked for, then named back (a name
# given with ".mod" keeps the directory and ends as the plain name).
proc find_models {names} {
    set found {}
    set aside {}
    foreach name $names {
        set id [druvex find model $name]
        if {![is_id $id]} continue
        lappend found $id $name
        if {[llength [lsearch -all -exact $names $name]] > 1} {
            druvex file rename $id "~viewer~[llength $aside].mod"
            lappend aside $id $name
        }
    }
    foreach {id name} $aside { druvex file rename $id $name.mod }
    return $found
}

# Makes the id and name pairs the model list. A model that was already listed
# keeps its offset; the others start where they were loaded. The picked model
# stays picked when its id is still listed, or else the model at its place in
# the list takes over when the ids changed under it (a reload).
proc set_models {pairs} {
    set place [lsearch -exact $::models $::picked]
    set old $::models
    set ::models {}
    foreach {id name} $pairs {
        lappend ::models $id
        set ::name($id) $name
        if {$id ni $old} { set ::offset($id) {0 0 0} }
    }
    if {$::picked ni $::models} {
        set ::picked [expr {$place >= 0 && $place < [llength $::models] ? [lindex $::models $place] : ""}]
        druvex select clear
        if {$::picked ne ""} { druvex select model $::picked }
    }
}

# The names of the listed models, in list order.
proc model_names {} {
    set names {}
    foreach id $::models { lappend names $::name($id) }
    return $names
}

# ---- behaviour ---------------------------------------------------------------

proc redraw {} {
    druvex draw
}

# The path to give druvex for file path (absolute), read from the folder
# ::home would be were it home: the path itself when it holds no blank, else
# the way there from home (the file name alone for a file in home). An error
# says why when the file name holds a blank, or when the way from home does.
proc library_path {path home} {
    set name [file tail $path]
    if {[string first " " $name] >= 0} {
        error "its file name holds a blank, and druvex cannot read a path that holds one; rename the file"
    }
    if {[string first " " $path] < 0} { return $path }
    set from [file split $home]
    set to [file split [file dirname $path]]
    set n 0
    while {$n < min([llength $from], [llength $to]) && [lindex $from $n] eq [lindex $to $n]} { incr n }
    set parts [lrepeat [expr {[llength $from] - $n}] ..]
    lappend parts {*}[lrange $to $n end] $name
    set relative [join $parts /]
    if {[string first " " $relative] >= 0} {
        error "its folder holds a blank, and so does the way to it from $home, where the open\
            models are read from: druvex cannot read a path that holds one"
    }
    return $relative
}

# Runs `druvex ARGS` from folder and comes back to the current folder; its
# result. An error, with nothing run, when the folder cannot be entered.
proc in_folder {folder args} {
    set here [pwd]
    cd $folder
    try {
        return [druvex {*}$args]
    } finally {
        catch {cd $here}
    }
}

# Starts an operation whose boxes say why it may fail.
proc begin_report {} {
    set ::reported {}
}

# A failed operation: the status line says what failed and the first reason
# the boxes gave.
proc report_failure {what} {
    set text $what
    set reason [lindex $::reported 0]
    if {$reason ne ""} { append text ": " $reason }
    .status configure -text $text
}

proc show_move_mode {} {
    .status configure -text [expr {$::move_mode ? "Move mode: click a model, then drag it" : "Move mode off"}]
}

# The model menu: move mode, the drag step and one entry per model.
proc fill_model_menu {} {
    .menu.models delete 0 end
    .menu.models add checkbutton -label "Move mode" -variable ::move_mode -accelerator M \
        -command show_move_mode
    foreach step {0.1 1 2} {
        .menu.models add radiobutton -label "Drag step $step" -variable ::move_step -value $step
    }
    .menu.models add separator
    foreach id $::models {
        .menu.models add command -label "Select $::name($id) ($id)" -command [list pick_model $id]
    }
    .menu.models add command -label "Select none" -command {pick_model {}}
}

# Selects one model (none for an empty id) for moving.
proc pick_model {id} {
    druvex select clear
    set ::picked $id
    if {$id eq ""} {
        .status configure -text "Nothing selected"
        return
    }
    druvex select model $id
    .status configure -text "Selected $::name($id) ($id)"
}

# The scene point drawn under window pixel x, y, or an empty list where only
# the background is. Over the background the viewer answers the point of the
# far clipping plane under the pixel, so the pixel is looked at a second time
# with the view panned far to the side (no model can be under it then): the
# two answers lie at the same depth only when the first one was the far plane
# too. Panning leaves the depth of that plane alone, and the pan is put back
# before anything is drawn on the screen.
proc scene_point_at {x y} {
    set point [druvex get vertex at $x $y]
    if {[llength $point] != 3} { return {} }
    lassign [druvex get pan] pan_x pan_y
    set zoom [druvex get zoom]
    # 4 (zoom + 1) view widths aside: more than the scene and the widest
    # spread of the pixel's line of sight through it at any zoom.
    set aside [expr {-8.0 * [winfo width .view] * ($zoom + 1.0) / $zoom}]
    druvex set view pan [format %.3f $aside] 0
    set far [druvex get vertex at $x $y]
    lassign [druvex get pan] aside_x
    druvex set pan $pan_x $pan_y
    # Depth along the line of sight: the third row of the view rotation.
    set m [druvex get matrix view]
    set depth 0.0
    foreach a $point b $far k {8 9 10} {
        set depth [expr {$depth + ($b - $a) * [lindex $m $k]}]
    }
    # The answers are whole numbers, so two points of that plane may differ
    # by a few units; a model lies nearer by about a view width or more (the
    # pan above moved by 4 (zoom + 1) view widths).
    set width [expr {abs($aside_x - $pan_x) / (4.0 * ($zoom + 1.0))}]
    set tolerance [expr {max(4.0, $width / 20.0)}]
    if {abs($depth) <= $tolerance} { return {} }
    return $point
}

# Picks the model under the pixel: the one whose box centre lies closest to
# the scene point there. Where no model is drawn nothing is picked, and a
# drag that follows moves nothing.
proc pick_at {x y} {
    set point [scene_point_at $x $y]
    if {$point eq "" || [llength $::models] == 0} {
        pick_model {}
        .status configure -text "No model under the pointer"
        return
    }
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
    pick_model $best
    .status configure -text "Picked $::name($best) ($best)"
}

# Scene units per pixel in the plane of the focus. A pan of a known number of
# pixels, read back in scene units, gives the parallel view's scale; the pan is
# put back at once. The perspective camera stands 2 * that scale * the
# window's shorter side from the focus and sees 30 degrees of the window's
# height there.
proc pixel_size {} {
    lassign [druvex get pan] pan_x pan_y
    druvex set view pan 1000 0
    lassign [druvex get pan] aside_x
    druvex set pan $pan_x $pan_y
    set size [expr {abs($aside_x - $pan_x) / 1000.0}]
    if {$::perspective} {
        set w [winfo width .view]
        set h [winfo height .view]
        set size [expr {4.0 * $size * min($w, $h) * tan(acos(-1) / 12.0) / $h}]
    }
    return $size
}

# Moves the picked model by a drag of dx, dy pixels in the plane of the
# screen, so that its picture follows the pointer (times the drag step). The
# screen's right and up in the scene are the first two rows of the view
# rotation; a drag down is a move against up.
proc move_selection {dx dy} {
    if {$::picked eq ""} return
    set m [druvex get matrix view]
    set step [expr {$::move_step * [pixel_size]}]
    set offset {}
    foreach o $::offset($::picked) right [lrange $m 0 2] up [lrange $m 4 6] {
        lappend offset [expr {$o + ($dx * $right - $dy * $up) * $step}]
    }
    set ::offset($::picked) $offset
    lassign $offset ox oy oz
    druvex select translate [format %.4f $ox] [format %.4f $oy] [format %.4f $oz]
}

proc toggle {option} {
    druvex display $option [expr {$::display($option) ? "on" : "off"}]
    redraw
}

proc view_direction {word} {
    druvex set view $word
    redraw
}

# The start view: turned about the vertical, then raised, as the view's own
# turns (free rotation), so the ground stays level: a model from a front
# corner with its top in sight, a scene from the side; at the start zoom and
# without a pan.
proc home_view {} {
    set turn [expr {$::scene_path eq "" ? 40 : 65}]
    set raise [expr {$::scene_path eq "" ? 20 : 12}]
    druvex set freerotate on
    druvex set view ortho $turn 0
    druvex set view rotate 0 $raise
    set ::zoom $::home_zoom
    druvex set view zoom $::zoom
    druvex set view pan 0 0
}

proc set_projection {word} {
    druvex set view $word
    set ::perspective [expr {$word eq "perspective"}]
    redraw
}

# Centres the view on the scene and undoes the pan.
proc centre_view {} {
    druvex set view centre
    druvex set view pan 0 0
    set ::focus [druvex get centre]
}

proc open_dialog {how} {
    set path [tk_getOpenFile -filetypes {{{Druvex models} {.mod}} {{All files} *}}]
    if {$path eq ""} return
    open_file $how $path
    redraw
}

# Opens (how: open) or adds (how: add) a model file; 1 when it loaded. A
# failed open leaves the viewer empty, a failed add leaves it as it was; a
# path druvex cannot be given, or a folder that cannot be entered, changes
# nothing. An open reads the file from its own folder, which becomes home.
proc open_file {how path} {
    begin_report
    set path [file normalize $path]
    set home [expr {$how eq "open" ? [file dirname $path] : $::home}]
    if {[catch {in_folder $home file $how [library_path $path $home]} id]} {
        tk_messageBox -type ok -title Information -icon info -message "Could not $how [file tail $path]: $id"
        return 0
    }
    set ::home $home
    if {![is_id $id]} {
        if {$how eq "open"} {
            set ::scene_path {}
            set_models {}
        }
        report_failure "Could not $how [file tail $path]"
        return 0
    }
    set name [model_name $path]
    if {$how eq "open"} {
        set ::scene_path {}
        set ::picked {}
        set ::focus [druvex get centre]
        set_models [list $id $name]
        home_view
    } else {
        # Added to an empty viewer (after a failed reload), the model starts
        # a new set of models.
        if {$::models eq ""} {
            set ::scene_path {}
            set ::unreloaded {}
        }
        set pairs {}
        foreach old $::models { lappend pairs $old $::name($old) }
        set_models [concat $pairs [list $id $name]]
        # An added model that widens the view makes the viewer scale its
        # zoom so that the picture stays as it was; the view is centred on
        # all the models and the script's own zoom set again, which shows
        # the whole widened scene.
        centre_view
        druvex set view zoom $::zoom
    }
    .status configure -text "Opened $name ($id)"
    return 1
}

# A scene list names its files relative to the current folder, so the viewer
# opens it from the list's own folder, which becomes home. 1 when it opened.
# A list whose file name holds a blank, or whose folder cannot be entered,
# changes nothing.
proc open_scene {path} {
    begin_report
    set path [file normalize $path]
    set home [file dirname $path]
    set names {}
    if {[catch {scene_model_names $path} names]} { set names {} }
    if {[catch {library_path $path $home; in_folder $home animate open [file tail $path]} opened]} {
        tk_messageBox -type ok -title Information -icon info \
            -message "Could not open scene [file tail $path]: $opened"
        return 0
    }
    set ::home $home
    set ::picked {}
    if {$opened ne "1"} {
        set ::scene_path {}
        set_models {}
        report_failure "Could not open scene [file tail $path]"
        return 0
    }
    set ::scene_path $path
    set ::focus [druvex get centre]
    druvex animate step $::fps
    set_models [find_models $names]
    home_view
    .status configure -text "Opened scene [file tail $path]: [plural [llength $::models] model]"
    return 1
}

proc open_scene_dialog {} {
    set path [tk_getOpenFile -filetypes {{{Scene lists} {.lst}} {{All files} *}}]
    if {$path eq ""} return
    open_scene $path
    redraw
}

# Reloads every model from its file, or the scene list and the models added
# to it, and keeps the view: the viewer's own reload does both, from home,
# since the scene list and a file opened from its folder are named from
# there. The reloaded models have new ids: they are found again by name. A
# reload that fails closes everything; with nothing open, the viewer's next
# reload tries again the same files, so ::unreloaded keeps their names for
# finding them, and the scene and home stay what they were. 1 when every
# model came back.
set ::unreloaded {}
proc reload {} {
    begin_report
    set names [model_names]
    if {$names eq ""} { set names $::unreloaded }
    if {[catch {in_folder $::home file reload} problem]} {
        lappend ::reported $problem
        report_failure "Reload failed"
        return 0
    }
    set found [find_models $names]
    set_models $found
    if {[llength $found] != 2 * [llength $names]} {
        set ::unreloaded $names
        report_failure "Reload failed"
        return 0
    }
    set ::unreloaded {}
    .status configure -text "Reloaded [plural [llength $names] model]"
    return 1
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
# The drawing size comes with every paint of the window; it shows only when
# it changed, so that a paint leaves what the status line said.
set ::drawing_size {}
proc on_status {args} {
    set text [join $args " "]
    if {[regexp {^[0-9]+x[0-9]+$} $text]} {
        if {$text eq $::drawing_size} return
        set ::drawing_size $text
    }
    .status configure -text $text
}

# Mouse in the GL window: button x y dx dy. Left drags rotate, middle drags
# pan, right drags zoom (up zooms in).
#
# Reading the picture back for a pick lets the next mouse events in while
# it runs. In move mode such an event is held until the pick or move under
# way is done: a drag that starts at once still starts from the model under
# the press, and its first steps are added up and moved afterwards.
set ::moving 0
set ::held_drag {0 0}
proc on_mouse {button x y dx dy} {
    if {$::move_mode && $button == 1} {
        if {$::moving} {
            lassign $::held_drag held_x held_y
            set ::held_drag [list [expr {$held_x + $dx}] [expr {$held_y + $dy}]]
            return
        }
        set ::moving 1
        if {$dx == 0 && $dy == 0} { pick_at $x $y } else { move_selection $dx $dy }
        while {$::held_drag ne {0 0}} {
            lassign $::held_drag dx dy
            set ::held_drag {0 0}
            move_selection $dx $dy
        }
        set ::moving 0
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
            druvex set view zoom [format %.6f $::zoom]
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
    set opened [open_scene $model]
} else {
    set opened [open_file open $model]
}
if {!$opened} {
    puts stderr "viewer: [.status cget -text]"
    exit 1
}
redraw

# ---- picture of the window, for a run without a screen -----------------------
# The picture is taken of Tk's wrapper window, the parent of ".", which holds
# the menu bar as well.
if {[info exists env(DRUVEX_SCREENSHOT)]} {
    if {$::scene_path ne ""} {
        for {set i 0} {$i < $::fps} {incr i} { druvex animate next }
    }
    update
    after 300
    update
    redraw
    update
    set out $env(DRUVEX_SCREENSHOT)
    set window [winfo id .]
    if {![catch {exec xwininfo -children -id $window} tree]} {
        regexp {Parent window id: (0x[0-9a-fA-F]+)} $tree -> window
    }
    if {[catch {exec sh -c {xwd -silent -id "$1" | convert xwd:- "png:$2"} sh $window $out} problem]} {
        puts stderr "no screenshot: $problem"
        exit 1
    }
    puts "Screenshot of the viewer written to $out"
    exit 0
}
