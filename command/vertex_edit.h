#pragma once
// The vertex branches of set vertex and add vertex, which write one vertex of
// the current model the same way: its position, a normal, its colour or its
// transparency. Each is a keyword branch: at[0] is the branch's keyword, its
// arguments follow, and the keyword entry carries the usage text, so each
// subcommand keeps its own texts. Every branch reads all its words first; then,
// without a current model, it ends silently.

struct Keyword;

// point <n> <x> <y> <z>: each coordinate truncated toward zero to a whole
// number (saturated to the integer range), weight 1. A point of a child model
// is moved where it lives; an id found nowhere becomes a new point of the
// current model. 1 when the words were read, 0 after the usage text.
int vertex_edit_point(const Keyword *keyword, char **at);
// normal <layer> <kind> <id> <x> <y> <z>: layer "0" sets the point's own normal
// (in the model that holds the point), any other layer of the current model its
// normal (kind 0) or pn-normal of that id. 1 when the words were read, 0 after
// the usage text or, with no text, when z is missing.
int vertex_edit_normal(const Keyword *keyword, char **at);
// color <n> <red> <green> <blue>: each kept to its low 8 bits; the point's
// transparency byte stays. 1 when the words were read, 0 after the usage text.
int vertex_edit_color(const Keyword *keyword, char **at);
// transparency <n> <t>: t clamped to 0..1, then t x 255 truncated is the
// transparency byte; red, green and blue stay, and a missing point is left
// alone. 1 when the words were read, 0 after the usage text.
int vertex_edit_transparency(const Keyword *keyword, char **at);
