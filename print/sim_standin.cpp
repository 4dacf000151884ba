#include "print/sim_standin.h"

#include "command/app_state.h"

int32_t g_standin_timer_pending = 0;

void standin_sim_timer(ClientData data)
{
    g_standin_timer_pending = 0;
}

int standin_sim_wait()
{
    g_app.viewer.simulating = 1;
    g_app.viewer.simulating = 0;
    return 0;
}

void standin_sim_idle()
{
}
