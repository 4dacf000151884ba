// Reader of .mod model files and .mod text held in memory: each line becomes
// one call of the model store's building operations on an existing model.
#pragma once
#include <cstdint>

struct Model;

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
    int32_t child_files; // 1 for mod_read_added_text: a child line must name a file of the
                         // current folder that does not lead back to the model
};

// Reads the .mod file at path into model; 1 when every line was read, 0 for a null
// argument, a file that cannot be opened or a refused line (last-error text set).
int mod_read_file(Model *model, const char *path);
// The same, reading the file at path under the name source_name (as messages show it).
int mod_read_file_named(Model *model, const char *path, const char *source_name);
// The same over NUL-terminated text held in memory; messages name the source "(data)".
int mod_read_string(Model *model, const char *text);
// mod_read_string for text added to a model already loaded, which no loader follows: a child
// line is also refused unless its file is found in the current folder ("Cannot find child
// model") and does not lead back to the model (MOD_CHILD_LOOP), as a save would write a file
// that does not read back.
int mod_read_added_text(Model *model, const char *text);
// Starts a read: clears the last-error text, no section, pn-normals off, no layer, child
// files not looked at.
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
