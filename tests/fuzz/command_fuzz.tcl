# Command-language fuzzer: random `druvex` commands built from the command
# vocabulary, sent to the extension with fixture models open in a GL window.
# Some commands are re-entered from message boxes and from the registered
# callback procedures; now and then a box fails. Any Tcl error out of `druvex`
# or a command taking over 2 seconds of processor time fails the run; a sanitizer
# report ends the process with a failure.
# Run by the test host under Xvfb (tests/tcl/run_test.sh); DRUVEX_FUZZ_COUNT
# sets the number of commands per seed.
source [file join [file dirname [info script]] .. tcl harness.tcl]
fconfigure stdout -buffering line

set ::count [expr {[info exists ::env(DRUVEX_FUZZ_COUNT)] ? $::env(DRUVEX_FUZZ_COUNT) : 1000}]
set ::seeds {1 2 3}
set ::failures 0
set ::depth 0

# Every file the commands write goes into this folder, the working directory.
set ::scratch [scratch_dir]
cd $::scratch

# A script given as a callback name must not end the run.
rename ::exit ::fuzz_exit
proc ::exit {args} { error "exit called from a druvex command" }

# The print build's dialog answers "cancelled" at once.
if {$::druvex_build eq "print"} {
    proc ::druvex::print_dialog {destinations default} { return {} }
}

# ---- vocabulary --------------------------------------------------------------
set ::subcommands {add animate callback create delete display draw file find get reload set select simulate}
if {$::druvex_build eq "print"} { lappend ::subcommands print }
array set ::keywords {
    add {child layer triangle uvee vertex point normal color transparency}
    animate {next open prev step}
    callback {joystick keyboard mouse simulate status}
    create {cursor model window}
    delete {layer}
    display {backfaces cursor curves collide gouraud grid lighting lines lod mirror normals pnfilter
             points quadlines reflect skeleton smooth textures transparency triangles wireframe on off}
    draw {}
    file {add new open reload rename save saveas savescreen model}
    find {images model}
    get {centre child cursor hostname layer matrix pan pointer vertex zoom at list point normal color
         transparency view rotation names sides mirror lighting uvees image mirrorimage reflectimage
         xaxis yaxis intensity}
    reload {}
    set {background cursor focus freerotate layer matrix pan pointer points_color_index vertex view down
         up south north east west rotate ortho pan parallel perspective zoom centre center size point
         normal color transparency name sides xaxis yaxis mirror lighting intensity image mirrorimage
         reflectimage position on off none x y z -x -y -z 1 2 axis}
    select {add all centre child clear copy cut delete layer model pancake paste rotate scale translate
            data axis centre}
    simulate {on off 1 0}
    print {}
}
set ::numbers {0 1 2 3 4 5 7 -1 -2 10 100 0.5 -0.5 1.5 255 256 65535 32767 32768 2147483647
    2147483648 -2147483648 -2147483649 4294967296 99999999999999999999 1e300 -1e300 1e39 1e-45
    NaN nan -nan inf -inf Inf 0x10 1.0e5 .5 5. +3}
set ::odd_words [list {} " " {$x} {$} {[} {]} {[exit]} "\\" "\\\\" {"} {{} {}} "a\"b" {a b} \
    "tab\tword" "line\nbreak" {x10} {y-20} {z} {world} {#} {;} [string repeat x 300] \
    [string repeat 9 400] [string repeat "\[" 50] "\u00e9\u4e2d" {-}]
set ::models {}
foreach f [concat [glob -directory [file join $::fixtures viewer] *.mod] \
                  [glob -directory [file join $::fixtures select] *.mod]] {
    if {[file tail $f] ni {badline.mod}} { lappend ::models $f }
}
set ::names {body rim front top a b grid box wheel plain square root arm knee j layer1 new}
set ::safe_files {out.mod shot.tga shot picture.bmp sub.mod model x}
set ::anim_files [concat [glob -directory [file join $::fixtures viewer anim] *.ani] \
                         [glob -directory [file join $::fixtures formats anim] *.ani *.lst]]
set ::cursors [glob -directory [file join $::fixtures window cursors] *]

proc pick {list} { lindex $list [expr {int(rand() * [llength $list])}] }

# One random word of any kind.
proc any_word {sub} {
    set r [expr {rand()}]
    if {$r < 0.35 && [llength $::keywords($sub)]} { return [pick $::keywords($sub)] }
    if {$r < 0.45} { return [pick $::keywords([pick $::subcommands])] }
    if {$r < 0.75} { return [pick $::numbers] }
    if {$r < 0.85} { return [pick $::names] }
    if {$r < 0.95} { return [pick $::odd_words] }
    return [pick [list [expr {int(rand() * 40) - 5}] [expr {rand() * 2000 - 1000}]]]
}

# A file word that reads only fixtures and writes only into the scratch folder.
proc file_word {kind} {
    switch -- $kind {
        read  { return [pick [concat $::models $::anim_files $::cursors missing.mod]] }
        write { return [pick $::safe_files] }
    }
}

# A random command as a word list (without `druvex`).
proc random_command {} {
    set sub [pick $::subcommands]
    set words [list $sub]
    # Now and then a non-keyword word comes first: the dispatcher skips it.
    if {rand() < 0.05} { set words [list [pick $::numbers] $sub] }
    switch -- $sub {
        file {
            set kw [pick $::keywords(file)]
            lappend words $kw
            switch -- $kw {
                open - add { lappend words [file_word read] }
                save - saveas { lappend words {*}[pick [list {} [list model [pick $::numbers]]]] }
                savescreen { lappend words [file_word write] }
                rename { lappend words [pick $::numbers] [pick [concat $::names $::safe_files]] }
            }
            return $words
        }
        animate {
            set kw [pick $::keywords(animate)]
            lappend words $kw
            if {$kw eq "open"} { lappend words [file_word read] } else { lappend words [pick $::numbers] }
            return $words
        }
        create {
            set kw [pick $::keywords(create)]
            lappend words $kw
            switch -- $kw {
                cursor { lappend words [file_word read] }
                model { lappend words [pick [concat $::names $::odd_words]] }
                window { lappend words [pick {gl2 gl .f .nothere {}}] [pick {.f . .g {} .f.x}] }
            }
            return $words
        }
        callback {
            lappend words [pick $::keywords(callback)] [pick {fuzz_callback fuzz_callback nosuchproc {[exit]} {} {a b}}]
            return $words
        }
    }
    if {rand() < 0.5 && [llength $::keywords($sub)]} {
        # Shaped like a real command: keywords, then numbers and names as its arguments.
        lappend words [pick $::keywords($sub)]
        if {rand() < 0.5} { lappend words [pick $::keywords($sub)] }
        set n [expr {int(rand() * 17)}]
        for {set i 0} {$i < $n} {incr i} {
            lappend words [pick [list [pick $::numbers] [expr {int(rand() * 12)}] [expr {int(rand() * 12)}] [pick $::names]]]
        }
    } else {
        set n [expr {int(rand() * 8)}]
        for {set i 0} {$i < $n} {incr i} { lappend words [any_word $sub] }
    }
    # Words that would name files are kept to safe ones in every command.
    if {[lsearch -exact $words file] >= 0 || [lsearch -exact $words print] >= 0} {
        set words [lmap w $words {if {[string is alnum $w]} {set w} else {set w x}}]
    }
    return $words
}

# Processor time this process has used, all its threads, in milliseconds.
# Unlike the clock it does not grow while the process waits for a processor,
# so a loaded machine does not make a command look slow.
proc cpu_ms {} {
    set f [open /proc/self/stat]
    set stat [read $f]
    close $f
    # After the parenthesised program name: state is the first field, user
    # and system time (in 1/100 s) the twelfth and thirteenth.
    set fields [string range $stat [expr {[string last ")" $stat] + 2}] end]
    return [expr {([lindex $fields 11] + [lindex $fields 12]) * 10}]
}

# Runs one command; a Tcl error or a slow command (over 2 s of processor
# time) is a failure.
proc run_command {words where} {
    incr ::depth
    set start [cpu_ms]
    set code [catch {druvex {*}$words} result]
    set took [expr {[cpu_ms] - $start}]
    incr ::depth -1
    if {$code != 0} {
        puts "FAIL ($where): druvex $words -> error: $result"
        incr ::failures
    } elseif {$took > 2000 && $::depth == 0} {
        puts "FAIL ($where): druvex $words took $took ms of processor time"
        incr ::failures
    }
}

# Re-entry: message boxes and callbacks sometimes run a random command themselves.
proc reenter {where} {
    if {$::depth < 3 && rand() < 0.2} {
        set words [random_command]
        if {[lindex $words 0] ni {file print simulate animate create}} {
            puts "  ($where) druvex $words"
            run_command $words $where
        }
    }
}
proc tk_messageBox {args} {
    reenter "message box"
    if {rand() < 0.02} { error "message box failed" }
    return ok
}
proc fuzz_callback {args} {
    reenter "callback"
    return
}

# Callbacks named nosuchproc and the like fail: their background errors are
# counted instead of shown in Tk's error dialog.
set ::bgerror_count 0
proc fuzz_bgerror {message options} { incr ::bgerror_count }
interp bgerror {} fuzz_bgerror

# ---- the run ---------------------------------------------------------------
wm geometry . 420x320+20+20
frame .f -width 400 -height 300
pack .f
update
druvex create window gl .f
druvex callback status fuzz_callback
update

foreach seed $::seeds {
    expr {srand($seed)}
    puts "seed $seed: $::count commands"
    druvex file new
    foreach m [lrange $::models 0 3] { druvex file add $m }
    for {set i 0} {$i < $::count} {incr i} {
        if {$i % 50 == 0} { druvex file add [pick $::models] }
        set words [random_command]
        puts "$seed.$i: druvex $words"
        run_command $words "seed $seed command $i"
        if {$i % 20 == 0} { update }
    }
}
druvex file new
update
puts "background errors of callbacks: $::bgerror_count"
puts [expr {$::failures ? "command fuzzer: $::failures failures" : "command fuzzer: no findings"}]
::fuzz_exit [expr {$::failures ? 1 : 0}]
