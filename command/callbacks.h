// The callback subcommand, the registry of Tcl procedures called on mouse,
// keyboard, simulate and status events, the senders that call them, and the
// viewer's status and message hooks. An error in a procedure goes to the
// interpreter's background-error handler; the operation that sent the event goes on.
#pragma once

// The callback subcommand: registers a procedure for a type word; words[0] is "callback".
// 1 when a type word was found with a procedure, 0 after a usage or unknown-attribute message.
int cmd_callback(char **words);
// Replaces the mouse procedure by a copy of name.
void cb_set_mouse_proc(const char *name);
// Replaces the keyboard procedure by a copy of name.
void cb_set_keyboard_proc(const char *name);
// Does nothing: joystick events are not supported.
void cb_set_joystick_proc(const char *name);
// Replaces the simulate procedure by a copy of name.
void cb_set_simulate_proc(const char *name);
// Replaces the status procedure by a copy of name.
void cb_set_status_proc(const char *name);
// Calls the mouse procedure with button, x, y, dx, dy; nothing when none is registered.
void cb_send_mouse(int button, int x, int y, int dx, int dy);
// Calls the keyboard procedure with the character as one word; nothing when none is registered.
void cb_send_key(int character);
// Calls the status procedure with the words of the text; nothing when none is registered.
void cb_send_status(const char *text);
// The viewer's status hook: passes the text to cb_send_status.
void cb_status_hook(const char *text);
// The viewer's message hook and the handlers' reporter: an information box for a non-null text.
void cb_message_hook(const char *text);
// Reports a failed operation: the box "FAILED: REASON", REASON being the last-error text
// ("unknown reason" when there is none).
void cb_failure_hook(const char *failed);
