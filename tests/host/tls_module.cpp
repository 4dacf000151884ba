// A module with a small thread-local variable, loaded with dlopen by
// tls_threads.cpp: each thread that touches it gets a dynamic TLS block from malloc.
static __thread volatile long g_touched;

extern "C" __attribute__((visibility("default"))) void tls_module_touch(long value)
{
    g_touched = value;
}
