#pragma once
// The model pass of a frame: every loaded model with its points, layers (faces
// and strips in the layer colour and transparency, a mirrored copy), polylines
// and child models, counting the triangles drawn. Draws into the current GL context.

struct Viewer;
struct Model;
struct Layer;
struct Face;
struct Strip;
struct Line;

// Draws every loaded model; sets frame_triangles and zeroes frame_uploads first.
void draw_models(Viewer *viewer);
// Draws a model and its children under the current modelview; triangles drawn, 0 for a null model.
int draw_model(Viewer *viewer, Model *model);
// Draws the faces and strips of one layer; triangles drawn.
int draw_layer_faces(Viewer *viewer, Model *model, Layer *layer, int textured, int mirrored, int reflection);
// Draws one flat face in reversed corner order (stored order when mirrored); 2 for a quad, 1 for a triangle.
int draw_face(Viewer *viewer, Model *model, Layer *layer, Face *face, int textured, int mirrored, int reflection);
// Draws one strip with reversed winding (stored winding when mirrored); its vertex count - 2.
int draw_strip(Viewer *viewer, Model *model, Layer *layer, Strip *strip, int textured, int mirrored, int reflection);
// Draws one polyline unlit and untextured in the current colour.
void draw_polyline(Viewer *viewer, Model *model, Line *line);
// Draws the model origin and every point of the model as GL points, unlit.
void draw_points(Viewer *viewer, Model *model);
