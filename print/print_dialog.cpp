#include "print/print_dialog.h"

#include "command/tcl_glue.h"

#include <tcl.h>

#include <cstring>

// The procedure the dialog is.
static const char DIALOG_PROC[] = "::druvex::print_dialog";

// The dialog's script. Its widgets are .druvex_print.printers (the printers),
// .druvex_print.file (Print to file), .druvex_print.paper.menu (the paper,
// variable ::druvex::print_paper) and .druvex_print.buttons.print / .cancel.
static const char DIALOG_SCRIPT[] = R"tcl(
namespace eval ::druvex {
    variable print_answer {}
    variable print_done 0
    variable print_to_file 0
    variable print_paper default
}

proc ::druvex::print_dialog {destinations default} {
    variable print_answer
    variable print_done
    variable print_to_file
    variable print_paper
    set w .druvex_print
    # One dialog at a time: a print asked for while it is open is cancelled.
    if {[winfo exists $w]} { return {} }
    set print_answer {}
    set print_done 0
    set print_to_file [expr {[llength $destinations] == 0}]
    set print_paper default

    toplevel $w
    wm withdraw $w
    wm title $w Print
    if {[winfo viewable .]} { wm transient $w . }
    wm protocol $w WM_DELETE_WINDOW [list ::druvex::print_dialog_answer {}]
    label $w.label -text Printer: -anchor w
    frame $w.list
    listbox $w.printers -height 6 -width 40 -exportselection 0 -selectmode browse \
        -yscrollcommand [list $w.scroll set]
    scrollbar $w.scroll -command [list $w.printers yview]
    foreach name $destinations { $w.printers insert end $name }
    set at [lsearch -exact $destinations $default]
    if {$at < 0 && [llength $destinations] > 0} { set at 0 }
    if {$at >= 0} {
        $w.printers selection set $at
        $w.printers see $at
    }
    checkbutton $w.file -text "Print to file" -variable ::druvex::print_to_file -anchor w
    frame $w.paper
    label $w.paper.label -text Paper:
    tk_optionMenu $w.paper.menu ::druvex::print_paper default Letter Legal A4 A3 A5
    frame $w.buttons
    button $w.buttons.print -text Print -width 8 -default active -command ::druvex::print_dialog_ok
    button $w.buttons.cancel -text Cancel -width 8 -command [list ::druvex::print_dialog_answer {}]

    pack $w.label -side top -fill x -padx 8 -pady {8 2}
    pack $w.list -side top -fill both -expand 1 -padx 8
    pack $w.scroll -in $w.list -side right -fill y
    pack $w.printers -in $w.list -side left -fill both -expand 1
    pack $w.file -side top -fill x -padx 8 -pady 4
    pack $w.paper -side top -fill x -padx 8
    pack $w.paper.label -side left
    pack $w.paper.menu -side left
    pack $w.buttons -side bottom -fill x -padx 8 -pady 8
    pack $w.buttons.cancel -side right
    pack $w.buttons.print -side right -padx 4

    bind $w.printers <Double-1> {::druvex::print_dialog_ok}
    bind $w <Return> [list $w.buttons.print invoke]
    bind $w <Escape> [list $w.buttons.cancel invoke]
    # Destroyed from elsewhere, the dialog answers as cancelled.
    bind $w.buttons <Destroy> {set ::druvex::print_done 1}

    # Centred over the main window, or the screen while that is not shown.
    update idletasks
    if {[winfo viewable .]} {
        set x [expr {[winfo rootx .] + ([winfo width .] - [winfo reqwidth $w]) / 2}]
        set y [expr {[winfo rooty .] + ([winfo height .] - [winfo reqheight $w]) / 2}]
    } else {
        set x [expr {([winfo screenwidth $w] - [winfo reqwidth $w]) / 2}]
        set y [expr {([winfo screenheight $w] - [winfo reqheight $w]) / 2}]
    }
    wm geometry $w +[expr {max($x, 0)}]+[expr {max($y, 0)}]
    wm deiconify $w
    catch {tkwait visibility $w}
    catch {grab set $w}
    focus $w.printers
    if {!$print_done} { vwait ::druvex::print_done }
    catch {grab release $w}
    if {[winfo exists $w]} { destroy $w }
    return $print_answer
}

# The Print button: a file chosen now for "Print to file", else the selected printer.
proc ::druvex::print_dialog_ok {} {
    variable print_to_file
    variable print_paper
    set w .druvex_print
    if {$print_to_file} {
        set path [tk_getSaveFile -parent $w -title "Print to file" -defaultextension .pdf \
                      -filetypes {{{PDF files} {.pdf}} {{All files} *}}]
        if {$path ne ""} { print_dialog_answer [list file $path $print_paper] }
        return
    }
    set at [$w.printers curselection]
    if {$at eq ""} {
        bell
        return
    }
    print_dialog_answer [list printer [$w.printers get [lindex $at 0]] $print_paper]
}

# Ends the dialog with this answer.
proc ::druvex::print_dialog_answer {answer} {
    variable print_answer $answer
    variable print_done 1
}
)tcl";

int dialog_define()
{
    return tcl_eval(DIALOG_SCRIPT);
}

int dialog_run(const std::vector<std::string> &names, const std::string &default_name, PrintChoice *out)
{
    if (out == nullptr) return 0;
    std::vector<const char *> name_texts;
    for (const std::string &name : names) name_texts.push_back(name.c_str());
    name_texts.push_back(nullptr);
    char *list = Tcl_Merge((int)names.size(), name_texts.data());
    const char *words[] = {DIALOG_PROC, list, default_name.c_str()};
    int ran = tcl_eval_words(3, words);
    Tcl_Free(list);
    std::string answer = ran ? Tcl_GetStringResult(g_glue.interp) : "";
    Tcl_ResetResult(g_glue.interp);
    if (!ran) return 0;

    int count = 0;
    const char **parts = nullptr;
    if (Tcl_SplitList(nullptr, answer.c_str(), &count, &parts) != TCL_OK) return 0;
    int chosen = 0;
    if (count == 3 && (strcmp(parts[0], "printer") == 0 || strcmp(parts[0], "file") == 0) && parts[1][0] != '\0') {
        out->to_file = strcmp(parts[0], "file") == 0;
        out->target = parts[1];
        out->paper = parts[2][0] != '\0' ? parts[2] : "default";
        chosen = 1;
    }
    Tcl_Free(reinterpret_cast<char *>(parts));
    return chosen;
}
