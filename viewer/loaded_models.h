// The models open in the viewer: loading, adding, closing, reloading, finding,
// renaming, saving, and the status and message hooks that report progress.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "viewer/viewer.h"

// Installs the status hook (ignored without a viewer).
void viewer_set_status_hook(Viewer *viewer, ViewerTextHook hook);
// Installs the message hook (ignored without a viewer).
void viewer_set_message_hook(Viewer *viewer, ViewerTextHook hook);
// Installs the physics hooks: rescale after the view extent changed, release before a
// collide cache or its object goes (ignored without a viewer).
void viewer_set_physics_hooks(Viewer *viewer, ViewerRescaleHook rescale, ViewerCollideHook release);
// Sends "Time: %.2f of %.2f, Triangles: %d, %s" with the text to the status hook.
void viewer_status(Viewer *viewer, const char *text);
// Keeps the text as last_message, passes it to the message hook and then, unformatted,
// to the status hook; nothing for a null viewer or text.
void viewer_message(Viewer *viewer, const char *text);

// Loads a .mod file and inserts it; the model id, or 0 with the reason and "Load failed" posted.
int32_t viewer_load_model(Viewer *viewer, const char *path);
// Inserts a model built in memory after growing the view size to it; its id, 0 for null.
int32_t viewer_add_model(Viewer *viewer, Model *model);
// Enters model (owned from now on) with its animation under the next loaded-model key;
// the id of its ModelXform, 0 for a null model.
int32_t viewer_insert_model(Viewer *viewer, Model *model, AnimSet *animation);
// Closes everything, creates an empty model of that name, inserts and selects it; id or 0.
int32_t viewer_new_model(Viewer *viewer, const char *name);
// Number of loaded models (0 without a viewer).
int viewer_model_count(Viewer *viewer);
// Loaded-model keys in table order followed by 0, in a shared array; null when none is loaded.
const int32_t *viewer_model_keys(Viewer *viewer);
// Id of the first model (else child link) whose model bears exactly that name; 0 when none.
int32_t viewer_find_model_key(Viewer *viewer, const char *name);
// New name, and directory when the path has one, of a model id (model_set_path); 0 when the
// id names no model or the model cannot take the path (nothing changes then).
int viewer_rename_model(Viewer *viewer, int32_t id, const char *path);
// Writes the model of an id as a .mod file; 1 when written, 0 when the id names no model or
// the write failed (the writer's reason is then the last-error text).
int viewer_save_model(Viewer *viewer, int32_t id);
// Saving the scene list: not built; posts "Save not implemented" and answers 0.
int viewer_save_scene_not_implemented(Viewer *viewer);
// Saving the animation: not built; posts "Save not implemented" and answers 0.
int viewer_save_animation_not_implemented(Viewer *viewer);
// Saving every open model at once: not built; posts "Save not implemented" and answers 0.
int viewer_save_all_not_implemented(Viewer *viewer);
// Saving the selected models: not built; posts "Save not implemented" and answers 0.
int viewer_save_selection_not_implemented(Viewer *viewer);
// The image names of the model of an id (model_image_names); empty when the id names none.
std::vector<std::string> viewer_model_images(Viewer *viewer, int32_t id);
// Reloads the scene list and the models added beside it, else every loaded model, each
// from its file, keeping the view size and focus; 0 (everything closed, the view reset)
// on failure, and the next reload with nothing open tries the same files again.
int viewer_reload_all(Viewer *viewer);
// Unloads every model with its caches and animation; view size and focus reset; 1.
int viewer_close_all(Viewer *viewer);
// Unloads one loaded model by its loaded-model key; 0 when there is no such key.
int viewer_unload_model(Viewer *viewer, int32_t key);
// Clears the parent links of every loaded animation that rides on model (they pose
// unattached from now on), so that nothing keeps pointing at it once it is freed.
void viewer_detach_riders(Viewer *viewer, Model *model);
// Sets focus to the centre of all loaded models' boxes and returns it ((0,0,0) with none).
const float *viewer_focus_all(Viewer *viewer);
// The view size (0 without a viewer).
float viewer_view_size(Viewer *viewer);
// The CollideCache of the named collide object in the first model of that name; null when none.
CollideCache *viewer_find_collide(Viewer *viewer, const char *model_name, const char *collide_name);
// The last text passed to viewer_message, or null.
const char *viewer_last_message(Viewer *viewer);
// Triangles drawn in the last frame.
int32_t viewer_frame_triangles(Viewer *viewer);
// Current animation time.
float viewer_time(Viewer *viewer);
// End time of the loaded animation.
float viewer_end_time(Viewer *viewer);

// Grows the view size to twice the largest extent of the model's box plus its translation.
void viewer_fit_view_size(Viewer *viewer, Model *model);
// View size back to 100 and focus to (0,0,0).
void viewer_reset_view_size(Viewer *viewer);
