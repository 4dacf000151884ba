#include "command/cmd_reset.h"

#include "command/app_state.h"
#include "viewer/camera.h"
#include "viewer/viewer.h"

// The viewer's reset without defaults frees every physics body through its
// collide release hook before the caches go.
int cmd_reset()
{
    viewer_reset(&g_app.viewer, 0);
    view_reset(&g_app.view);
    return 1;
}
