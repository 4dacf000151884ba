// The file subcommand (open, new, add, reload, save, saveas, rename) and the
// reload subcommand.
#pragma once
#include <cstdint>

// The file subcommand: the first keyword among words[1..] picks the branch; words[0] is "file".
// 1 when a branch ran, 0 after a usage or unknown-command message.
int cmd_file(char **words);
// Empties the viewer, loads one model file, poses it and fits the view; sets and returns its id, 0 on failure.
int32_t cmd_file_open(const char *path);
// Empties the viewer and creates an empty model of that name; sets and returns its id, 0 on
// failure. A name holding a line end is refused with 0 and closes nothing.
int32_t cmd_file_new(const char *name);
// Loads a model file beside the open ones; sets and returns its id, 0 on failure.
int32_t cmd_file_add(const char *path);
// Reloads everything, keeping zoom and focus; the result is the new loaded-model keys.
void cmd_file_reload();
// Closes every model and puts pan and angles back to 0 and the view to its
// start; the zoom stays. The first steps of open, new and animate open.
void cmd_file_close_all();
// After a successful open: poses the models, sets the extents for size without
// rescaling the zoom and focuses the camera on the centre of all models.
void cmd_file_fit_focus(float size);
// The save and saveas grammar; words[0] is "save" or "saveas". A failed write shows
// "druvex: file save failed: " with the reason.
void cmd_file_save(char **words);
// The rename grammar: a model id and its new path; words[0] is "rename". A path the
// model cannot take shows "druvex: file rename failed".
void cmd_file_rename(char **words);
// The reload subcommand: reloads every model; 1, or 0 when a file failed.
int cmd_reload();
