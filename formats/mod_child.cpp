#include "formats/mod_child.h"

#include "formats/text_reader.h"
#include "foundation/file_table.h"
#include "foundation/keyed_table.h"
#include "foundation/last_error.h"
#include "foundation/path.h"
#include "model/model.h"
#include "model/value_check.h"

#include <cctype>
#include <cstdlib>

// Counts past the limits: a tree over one of them, or a file that leads back to itself.
constexpr int32_t MODELS_OVER = MOD_MAX_LOAD_MODELS + 1;
constexpr int32_t HEIGHT_OVER = MOD_MAX_CHILD_DEPTH + 1;

const char MOD_CHILD_LOOP[] = "Child model would contain its parent";
const char MOD_CHILD_MISSING[] = "Cannot find child model";
const char MOD_CHILD_NESTED[] = "Child models nested too deeply";
const char MOD_CHILD_MANY[] = "Too many child models";

// A file being read for its child lines.
struct NodeRead {
    ModChildFiles *files;
    std::string folder;                                  // its folder, which its children are found in
    std::vector<std::string> children;                   // identities of the files they name
    std::unordered_map<std::string, std::string> known;  // identity of each path met in it
};

// A file whose tree is being counted, with what its children gave so far.
struct CountStep {
    ModChildNode *node;
    size_t next;     // its next child to count
    int32_t models;
    int32_t height;
};

static int leads_back(const ModChildCheck *check, const ModChildFile *file);
static int fits_all(const ModChildCheck *check, const char *name, ModChildFiles *files);
static int32_t saved_models(Model *model, ModChildFiles *files);
static int fits(const char *name, int32_t *models, ModChildFiles *files);
static void saved_files(const ModChildCheck *check, std::unordered_set<std::string> *files);
static void tree_children(Model *tree, ModChildFiles *files, std::vector<std::string> *keys);
static std::string add_node(ModChildFiles *files, const std::string &path);
static void read_node(ModChildFiles *files, ModChildNode *node);
static void gather_child(void *user);
static void count_tree(ModChildFiles *files, ModChildNode *start);
static std::string folder_of(const std::string &path);
static std::string lowered(const std::string &text);

int mod_child_line(ModChildLine *line)
{
    if (!line || reader_token_count() != 11 || !reader_token_is("child", 0)) return 0;
    for (int i = 2; i <= 7; i++)
        if (!reader_token_is_int(i) && !reader_token_is_float(i)) return 0;
    line->name = reader_token_text(1);
    for (int i = 0; i < 3; i++) {
        line->position[i] = reader_token_float(2 + i);
        line->scale[i] = reader_token_float(5 + i);
        line->rotation[i] = reader_token_text(8 + i);
    }
    return value_child_ok(line->name, line->scale, line->rotation);
}

int mod_child_find(const ModChildCheck *check, const char *name, ModChildFile *file)
{
    if (!check || !name || !file) return 0;
    const char *directory = check->loading && check->directory ? check->directory : "";
    file->path = std::string(directory) + name + ".mod";
    if (check->loading && check->found_directory)
        file->open_path = std::string(check->found_directory) + name + ".mod";
    else
        file->open_path = path_resolve(file->path.c_str());
    if ((check->loading || check->need_file) &&
        !file_check_readable(file->open_path.c_str(), file->path.c_str(), MOD_CHILD_MISSING))
        return 0;
    if (leads_back(check, file)) {
        err_setf("%s: %s", check->loading ? MOD_CHILD_NESTED : MOD_CHILD_LOOP, file->path.c_str());
        return 0;
    }
    if (check->loading) return 1;
    ModChildFiles local;
    return fits_all(check, name, check->files ? check->files : &local);
}

// 1 when reading back the save of each model the child joins still ends within the limits
// with the child's line in it; else 0 with the message naming NAME.mod.
static int fits_all(const ModChildCheck *check, const char *name, ModChildFiles *files)
{
    if (check->saved_models && check->count == 1) {
        if (*check->saved_models < 0) *check->saved_models = saved_models(check->models[0], files);
        return fits(name, check->saved_models, files);
    }
    for (int i = 0; check->models && i < check->count; i++) {
        if (!check->models[i]) continue;
        int32_t models = saved_models(check->models[i], files);
        if (!fits(name, &models, files)) return 0;
    }
    return 1;
}

// Models that reading back the saved file of the model builds: itself and, through the files
// of the current folder, every child line's tree, counting at most MODELS_OVER.
static int32_t saved_models(Model *model, ModChildFiles *files)
{
    if (!model) return 0;
    // Child lines naming one file are counted once each, its tree counted once.
    std::unordered_map<std::string, int32_t> names;
    for (int32_t slot = 0; slot < model->children.capacity; slot++) {
        const Child *child = static_cast<const Child *>(table_nth(&model->children, slot, 0));
        if (child) names[child->name]++;
    }
    int64_t models = 1;
    for (const auto &name : names) {
        std::string key = add_node(files, name.first + ".mod");
        int32_t each = 1;
        if (!key.empty()) {
            ModChildNode *node = &files->nodes[key];
            count_tree(files, node);
            each = node->models;
        }
        models += static_cast<int64_t>(each) * name.second;
        if (models > MODELS_OVER) models = MODELS_OVER;
    }
    return static_cast<int32_t>(models);
}

// 1 when the file of a child named name, attached to a model whose saved file reads back
// models models, still reads back: its tree adds models up to MOD_MAX_LOAD_MODELS in all
// (else MOD_CHILD_MANY) and nests at most MOD_MAX_CHILD_DEPTH levels below the model (else
// MOD_CHILD_NESTED); 0 with the message naming NAME.mod. models grows by the tree's models.
static int fits(const char *name, int32_t *models, ModChildFiles *files)
{
    std::string path = std::string(name) + ".mod";
    std::string key = add_node(files, path);
    int32_t added = 1;
    int32_t height = 1;
    if (!key.empty()) {
        ModChildNode *node = &files->nodes[key];
        count_tree(files, node);
        added = node->models;
        height = node->height;
    }
    // The child is one level below the model, and its tree's deepest model is height levels so.
    if (height > MOD_MAX_CHILD_DEPTH) {
        err_setf("%s: %s", MOD_CHILD_NESTED, path.c_str());
        return 0;
    }
    if (static_cast<int64_t>(*models) + added > MOD_MAX_LOAD_MODELS) {
        err_setf("%s: %s", MOD_CHILD_MANY, path.c_str());
        return 0;
    }
    *models += added;
    return 1;
}

std::string mod_child_identity(const char *path)
{
    if (!path) return "";
    std::string found = path_resolve(path);
    std::string out;
    char *real = realpath(found.c_str(), nullptr);
    if (real) {
        out = real;
    } else {
        // Not there yet: a save creates it under the name as written, which every spelling of
        // it in another case then finds.
        std::string folder = folder_of(found);
        real = realpath(folder.empty() ? "." : folder.c_str(), nullptr);
        if (real) out = std::string(real) + "/" + lowered(found.substr(folder.size()));
    }
    free(real);
    return out;
}

// 1 when the child's file leads back to what the check guards (its message is the caller's).
static int leads_back(const ModChildCheck *check, const ModChildFile *file)
{
    if (check->loading) {
        if (!check->above) return 0;
        std::string key = mod_child_identity(file->open_path.c_str());
        return !key.empty() && check->above->count(key) > 0;
    }
    std::unordered_set<std::string> saved;
    saved_files(check, &saved);
    if (saved.empty()) return 0;
    ModChildFiles local;
    ModChildFiles *files = check->files ? check->files : &local;
    std::vector<std::string> pending;
    pending.push_back(add_node(files, file->path));
    if (check->tree) tree_children(check->tree, files, &pending);
    // Each file is followed once, so files that name each other end the walk too.
    std::unordered_set<std::string> seen;
    int loops = 0;
    while (!pending.empty() && !loops) {
        std::string key = pending.back();
        pending.pop_back();
        if (key.empty() || !seen.insert(key).second) continue;
        if (saved.count(key)) {
            loops = 1;
            continue;
        }
        ModChildNode *node = &files->nodes[key];
        read_node(files, node);
        pending.insert(pending.end(), node->children.begin(), node->children.end());
    }
    return loops;
}

// The files that saves of the checked models and of every model above them write: NAME.mod in
// the current folder.
static void saved_files(const ModChildCheck *check, std::unordered_set<std::string> *files)
{
    for (int i = 0; check->models && i < check->count; i++) {
        for (const Model *m = check->models[i]; m; m = m->parent) {
            if (!m->name[0]) continue;
            std::string key = mod_child_identity((std::string(m->name) + ".mod").c_str());
            if (!key.empty()) files->insert(key);
        }
    }
}

// Appends the files of every child line of the tree, depth first: a save writes them as they
// are, and the saved files are found from the current folder.
static void tree_children(Model *tree, ModChildFiles *files, std::vector<std::string> *keys)
{
    for (int32_t slot = 0; slot < tree->children.capacity; slot++) {
        const Child *child = static_cast<const Child *>(table_nth(&tree->children, slot, 0));
        if (!child) continue;
        keys->push_back(add_node(files, std::string(child->name) + ".mod"));
        if (child->model) tree_children(child->model, files, keys);
    }
}

// The identity of the file at path, with a node for it; empty when no file can be there.
static std::string add_node(ModChildFiles *files, const std::string &path)
{
    std::string key = mod_child_identity(path.c_str());
    if (key.empty()) return key;
    auto at = files->nodes.find(key);
    if (at == files->nodes.end()) {
        ModChildNode node;
        node.open_path = path_resolve(path.c_str());
        node.models = 0;
        node.height = 0;
        node.read = 0;
        files->nodes.emplace(key, node);
    }
    return key;
}

// Reads the node's child lines once; a file that cannot be read names nothing. The last-error
// text is left as it was.
static void read_node(ModChildFiles *files, ModChildNode *node)
{
    if (node->read) return;
    node->read = 1;
    const char *last = err_last();
    std::string error = last ? last : "";
    int had_error = last != nullptr;
    NodeRead read;
    read.files = files;
    read.folder = folder_of(node->open_path);
    reader_run_file(node->open_path.c_str(), "#", 1, gather_child, &read);
    node->children.swap(read.children);
    err_set(had_error ? error.c_str() : nullptr);
}

// Line callback of read_node (user value: the NodeRead): each child line's file, found in the
// folder of the file being read, is a child of its node.
static void gather_child(void *user)
{
    ModChildLine line;
    if (!reader_token_is("child", 0) || !mod_child_line(&line)) return;
    NodeRead *read = static_cast<NodeRead *>(user);
    std::string path = read->folder + line.name + ".mod";
    auto known = read->known.find(path);
    if (known == read->known.end()) known = read->known.emplace(path, add_node(read->files, path)).first;
    if (!known->second.empty()) read->children.push_back(known->second);
}

// Counts the models and levels a load of each file below start builds, every file once, each
// count held one past its limit; a file met again while its own tree is counted leads back to
// itself, which no load ends, and is over both. Walks with a stack of its own: a chain of files
// may be long.
static void count_tree(ModChildFiles *files, ModChildNode *start)
{
    if (start->models != 0) return;
    std::vector<CountStep> stack;
    start->models = -1;
    read_node(files, start);
    stack.push_back({start, 0, 1, 1});
    while (!stack.empty()) {
        CountStep &step = stack.back();
        if (step.next == step.node->children.size()) {
            step.node->models = step.models;
            step.node->height = step.height;
            stack.pop_back();
            continue;
        }
        ModChildNode *child = &files->nodes[step.node->children[step.next]];
        if (child->models == 0) {
            child->models = -1;
            read_node(files, child);
            stack.push_back({child, 0, 1, 1});
            continue;
        }
        int over = child->models < 0;
        int64_t models = static_cast<int64_t>(step.models) + (over ? MODELS_OVER : child->models);
        int32_t height = over ? HEIGHT_OVER : child->height + 1;
        step.models = models > MODELS_OVER ? MODELS_OVER : static_cast<int32_t>(models);
        if (height > HEIGHT_OVER) height = HEIGHT_OVER;
        if (height > step.height) step.height = height;
        step.next++;
    }
}

// The part of the path up to and including its last "/" (empty when it has none).
static std::string folder_of(const std::string &path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The text lower-cased, as model names are kept.
static std::string lowered(const std::string &text)
{
    std::string out = text;
    for (char &c : out) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return out;
}
