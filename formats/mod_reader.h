// Reader of .mod model files and .mod text held in memory: each line becomes
// one call of the model store's building operations on an existing model.
#pragma once
#include <cstdint>

struct Model;
struct ModChildFiles;

// Data sections of a .mod read; a data line belongs to the section open at the time.
constexpr int32_t MOD_SECTION_NONE = 0;
constexpr int32_t MOD_SECTION_POINTS = 1;
constexpr int32_t MOD_SECTION_GOURAUD = 2;
constexpr int32_t MOD_SECTION_TRIANGLES = 4;
constexpr int32_t MOD_SECTION_UVEES = 8;
constexpr int32_t MOD_SECTION_NORMALS = 16;
constexpr int32_t MOD_SECTION_LINES = 32;

// Most point ids a strip or polyline line may carry.
constexpr int MOD_MAX_LINE_IDS = 512;

// Messages of refused lines that the commands also show when they refuse a value that such a
// line would hold.
extern const char MOD_BAD_LAYER[];         // "Bad layer definition"
extern const char MOD_BAD_TRANSPARENCY[];  // "Bad transparency data"
extern const char MOD_BAD_REFLECT[];       // "Bad reflection map definition"
extern const char MOD_BAD_IMAGE[];         // "Bad image definition"
extern const char MOD_BAD_AXIS[];          // "Bad image axis definition"
extern const char MOD_BAD_CHILD[];         // "Bad child data"
extern const char MOD_BAD_UVEE[];          // "Bad uvee definition"
extern const char MOD_BAD_NORMAL[];        // "Bad normal definition"

// State of one .mod read, owned by the read operation.
struct ModParseContext {
    Model *model;       // the model being built
    int32_t section;    // MOD_SECTION_*
    int32_t pn_normals; // 1 after "pnnormals", 0 after "normals"
    char layer[256];    // name from the last "layer" line; empty at the start
    int32_t layer_slot; // slot of that layer in the model's layer table; -1 when none
    int32_t added;      // 1 for mod_read_added_text: lines are checked as a save's reopen checks them
    ModChildFiles *child_files; // added text: the files below its child lines, each read once
    int32_t saved_models; // added text: models a reopen of the model's save builds; -1 until counted
};

// Reads the .mod file at path into model; 1 when every line was read, 0 for a null
// argument, a file that cannot be opened or a refused line (last-error text set).
int mod_read_file(Model *model, const char *path);
// The same, reading the file at path under the name source_name (as messages show it).
int mod_read_file_named(Model *model, const char *path, const char *source_name);
// The same over NUL-terminated text held in memory; messages name the source "(data)".
int mod_read_string(Model *model, const char *text);
// mod_read_string for text added to a model already loaded, which no loader follows, so that it
// refuses what reading back the model's save would refuse: a child line whose file is not found
// in the current folder, leads back to the model (mod_child_find), or takes a reopen past its
// most models or levels (mod_child_fits), and a point normal the loader refuses ("(NAME.mod) bad
// normal: ID"). A refused line stops the read and leaves nothing of itself.
int mod_read_added_text(Model *model, const char *text);
// Starts a read: clears the last-error text, no section, pn-normals off, no layer, not added
// text.
void mod_parse_init(ModParseContext *ctx, Model *model);
// Line callback of the line reader (user value: the ModParseContext); aborts the read on a bad line.
void mod_parse_line(void *user);
// Dispatches a data line (first token an integer) to its section; 1 or 0 with a message.
int mod_parse_data(ModParseContext *ctx);
// "layer NAME R G B SIDES [mirror AXIS]"; 1 or 0 with a message.
int mod_parse_layer(ModParseContext *ctx);
// "transparency T"; 1 or 0 with a message.
int mod_parse_transparency(ModParseContext *ctx);
// "reflect FILE AMOUNT [add]"; 1 or 0 with a message.
int mod_parse_reflect(ModParseContext *ctx);
// "invisible R G B" with components 0.0 to 1.0; 1 or 0 with a message.
int mod_parse_invisible(ModParseContext *ctx);
// "joint NAME X Y Z PARENT COUNT"; 1 or 0 with a message.
int mod_parse_joint(ModParseContext *ctx);
// "blend JOINT1 JOINT2 COUNT"; 1 or 0 with a message.
int mod_parse_blend(ModParseContext *ctx);
// "image FILE UAXIS VAXIS [repeat U V]" (slot 0) or "mirrorimage FILE" (slot 1); 1 or 0.
int mod_parse_image(ModParseContext *ctx, int slot);
// "child NAME PX PY PZ SX SY SZ ROT1 ROT2 ROT3"; 1 or 0 with a message.
int mod_parse_child(ModParseContext *ctx);
// "collide NAME SHAPE PX PY PZ SX SY SZ ROT1 ROT2 ROT3 [D [E [F]]]"; 1 or 0 with a message.
int mod_parse_collide(ModParseContext *ctx);
// Axis code 1..6 of "x", "y", "z", "-x", "-y", "-z"; 0 for any other word or null.
int mod_parse_axis(const char *word);
