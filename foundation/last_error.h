// The process-wide last-error text: failing operations store the reason here
// and their callers fetch it. While a text is being read the stored text
// names the source and line of the innermost read.
#pragma once

// Replaces the last-error text with message plus the current read position,
// kept whole however long; null clears it. The message may be the current
// err_last() text.
void err_set(const char *message);
// Like err_set with a printf-style format; the formatted message is kept whole.
void err_setf(const char *format, ...) __attribute__((format(printf, 1, 2)));
// The current last-error text, borrowed until the next err_set; null when none.
const char *err_last();

// A function answering the source name (null with no read in progress) and the
// line number of the read that is current: how err_set learns the position.
typedef const char *(*ErrPositionHook)(int *line);
// Installs the position hook; the line reader installs itself when a read starts.
void err_set_position_hook(ErrPositionHook hook);
