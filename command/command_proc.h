// The `druvex` command: its procedure, the splitting of its arguments into
// words, the subcommand dispatcher, typed argument parsing and result texts.
#pragma once
#include <tcl.h>

// Slots of a word list; at most WORD_LIST_SIZE - 1 words, the last slot stays null.
constexpr int WORD_LIST_SIZE = 1024;

// The words of one command: malloc'ed texts up to the first null slot. Each
// running command has its own list; nested commands push theirs on top.
struct WordList {
    char *words[WORD_LIST_SIZE]; // the words, null after the last
    WordList *outer;             // list of the command this one runs inside, or null
};

// The command procedure registered as `druvex`; always TCL_OK.
int druvex_cmd(ClientData data, Tcl_Interp *interp, int argc, const char *argv[]);
// Splits every argument at runs of blanks into a new word list that becomes the
// current one (the outer command's list is kept); returns it.
WordList *tcl_split_args(int argc, const char *const *argv);
// Frees the current word list's words and makes the outer command's list current again.
void tcl_free_args();
// Runs the first subcommand found among words[1..]; shows the unknown-command text
// when none matches.
void cmd_dispatch(char **words);
