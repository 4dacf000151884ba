#pragma once
// The reset subcommand: empties the viewer and puts the camera home.

// Clears both selections and unloads every model, keeping the display options and
// the id counters; then the view extents for size 10 and the camera focus at the
// origin, keeping pan, angles and zoom. Reads no words. 1.
int cmd_reset();
