// Child lines of .mod files: the one reader of a child line's values, and the one rule for
// where a child's file is found and whether it may join a model: it must not lead back to the
// model or to a model above it, which no read of the files could then end.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct Model;

// Deepest nesting of child models below a model read from its file.
constexpr int MOD_MAX_CHILD_DEPTH = 32;
// Most models one load builds, the top model included: far above any real scene, it stops
// files that name their child several times from multiplying into millions of models.
constexpr int32_t MOD_MAX_LOAD_MODELS = 65536;

extern const char MOD_CHILD_LOOP[];     // "Child model would contain its parent"
extern const char MOD_CHILD_MISSING[];  // "Cannot find child model"
extern const char MOD_CHILD_NESTED[];   // "Child models nested too deeply"
extern const char MOD_CHILD_MANY[];     // "Too many child models"

// The values of a child line.
struct ModChildLine {
    const char *name;         // token 1, valid until the line reader's next line
    float position[3];
    float scale[3];
    const char *rotation[3];  // tokens 8 to 10, valid as name
};

// A file below a child, read once: the files its child lines name, and what a load of it
// builds.
struct ModChildNode {
    std::string open_path;              // the file as found on disk
    std::vector<std::string> children;  // identities of the files its child lines name, in order
    int32_t models;                     // models a load of it builds, itself included; 0 until
                                        // counted, -1 while being counted
    int32_t height;                     // levels of models a load of it builds, itself one
    int read;                           // 1 once its child lines are known
};

// The files below the children checked so far, by identity, so that each is read once.
struct ModChildFiles {
    std::unordered_map<std::string, ModChildNode> nodes;
};

// What a child is checked against. A load (loading 1) reads each child from the folder of the
// file naming it, and follows the files below it by itself; an attach to models in memory
// (loading 0) finds the child in the current folder, where a save of every model is written and
// from where the saved model reads it back.
struct ModChildCheck {
    int loading;                  // 1 for a child line of a file being loaded
    const char *directory;        // load: the folder of that file, as the model keeps it
    const char *found_directory;  // load: that folder as found on disk (path_resolve)
    const std::unordered_set<std::string> *above;  // load: identities of the files being read,
                                                   // the model's and those above it
    Model *const *models;         // attach: the models the child joins
    int count;                    // attach: how many
    Model *tree;                  // attach: the model attached with its child models, or null
    int need_file;                // attach: 1 when a missing file is refused
    ModChildFiles *files;         // attach: files read by earlier checks, or null
    int32_t *saved_models;        // attach to one model: models reading back its save builds, -1
                                  // until counted; grows by the child's. Null: counted here.
};

// The file of a child.
struct ModChildFile {
    std::string path;       // as messages name it: folder, name and ".mod"
    std::string open_path;  // the same file as found on disk
};

// Reads the line reader's current line as "child NAME PX PY PZ SX SY SZ ROT1 ROT2 ROT3" into
// line; 1 when it is one whose name, scale and rotation a child record holds and a write gives
// back, else 0 (no message set).
int mod_child_line(ModChildLine *line);
// Finds the file of a child named name (file gets it) and decides whether it may join: 0, with
// the message naming file->path, when the file cannot be read (MOD_CHILD_MISSING; for a load,
// or when need_file) or when it leads back to a model it joins or one above it, each model known
// by the real path of its file, so that links and "./" spellings are one file. A load compares
// the child's own file with the files being read (MOD_CHILD_NESTED). An attach compares the
// files that the saves of the models write with the child's file, with the files that the child
// lines below it name, each found in the folder of the file naming it, and with the files of
// tree's child lines (MOD_CHILD_LOOP); a file that cannot be read names nothing. An attach is
// also refused when reading back a model's save would then build more than MOD_MAX_LOAD_MODELS
// models (MOD_CHILD_MANY), or the child's files nest more than MOD_MAX_CHILD_DEPTH levels or
// name themselves (MOD_CHILD_NESTED).
int mod_child_find(const ModChildCheck *check, const char *name, ModChildFile *file);
// The identity of the file a path opens, or that a save to it would create: its real path, or
// for a file that does not exist the real path of its folder and its lower-cased last part;
// empty when the folder does not exist either.
std::string mod_child_identity(const char *path);
