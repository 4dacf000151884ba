#pragma once
// The animate subcommand: opens an animated scene from a scene list, steps
// the animation clock forward or back, and sets the frame rate.

// Runs the first branch whose keyword is found after words[0] ("animate"); 1
// when a branch ran with all its arguments, 0 after a usage or no-match text.
int cmd_animate(char **words);
// Opens the scene list at path in place of every loaded model, then poses the
// models, fits the view and focuses it on them; sets the result to "1" or
// "0". 1 when the scene opened, else 0 (the reason already shown).
int cmd_animate_open(const char *path);
