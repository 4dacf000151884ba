// What the print build has where the simulation build has its simulation
// timer and wait loop: stand-ins that nothing calls, kept so both builds
// offer the same entry points to code that may come to use them.
#pragma once
#include <tcl.h>

#include <cstdint>

// 1 while a simulation timer is scheduled; never set in the print build.
extern int32_t g_standin_timer_pending;

// Stands for the simulation timer: clears the timer-pending flag.
void standin_sim_timer(ClientData data);
// Stands for the wait loop: the viewer's simulating flag goes to 1 and back to 0; 0.
int standin_sim_wait();
// Does nothing.
void standin_sim_idle();
