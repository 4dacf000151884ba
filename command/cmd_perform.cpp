#include "command/cmd_perform.h"

#include "command/app_state.h"
#include "command/arguments.h"
#include "command/keywords.h"
#include "model/model_edit.h"
#include "viewer/selection.h"
#include "viewer/viewer.h"

static int perform_autonormals(const Keyword *keyword, char **at);

// The keywords of perform; autonormals shows the display option's usage text.
static const Keyword k_perform_keywords[] = {
    {"autonormals", perform_autonormals, "druvex: usage: druvex display <option> <on>", nullptr},
};

static const KeywordTable k_perform = {k_perform_keywords, KEYWORD_COUNT(k_perform_keywords), KEYWORD_SKIP,
                                       KEYWORD_UNKNOWN_COMMAND, nullptr, nullptr};

int cmd_perform(char **words)
{
    return keyword_scan(&k_perform, words);
}

// perform autonormals <per-layer>: normals of the current model from its faces and
// strips, per point (0) or per layer (non-zero); without a current model nothing
// happens. The model's render caches follow the edit; nothing is redrawn.
static int perform_autonormals(const Keyword *keyword, char **at)
{
    int per_layer = 0;
    if (!arg_parse(&per_layer, at[1], ARG_BOOL)) return keyword_usage(keyword);
    Model *model = sel_current_model(&g_app.viewer);
    if (model == nullptr) return 1;
    model_auto_normals(model, per_layer);
    viewer_refresh_model_caches(&g_app.viewer, model);
    return 1;
}
