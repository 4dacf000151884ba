// Many threads, each holding a dynamic TLS block of a dlopen'ed module, alive
// while the leak check runs at exit; the run must end with status 0. Under the
// runtime's __tls_get_addr hook some of these blocks are misread and the leak
// checker's tracer dies of a segfault at exit (see asan_options.cpp).
// usage: tls_threads MODULE
#include <dlfcn.h>
#include <pthread.h>
#include <unistd.h>

#include <cstdio>

static const int THREADS = 400;

typedef void (*TouchFn)(long);
static TouchFn g_touch;
static pthread_barrier_t g_started;

static void *thread_main(void *arg)
{
    g_touch(reinterpret_cast<long>(arg));
    pthread_barrier_wait(&g_started);
    // Stays alive (blocked) until the process exits.
    for (;;) pause();
    return nullptr;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: tls_threads MODULE\n");
        return 2;
    }
    void *module = dlopen(argv[1], RTLD_NOW);
    if (module == nullptr) {
        fprintf(stderr, "%s\n", dlerror());
        return 2;
    }
    g_touch = reinterpret_cast<TouchFn>(dlsym(module, "tls_module_touch"));
    if (g_touch == nullptr) {
        fprintf(stderr, "no tls_module_touch in %s\n", argv[1]);
        return 2;
    }
    pthread_barrier_init(&g_started, nullptr, THREADS + 1);
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 256 * 1024);
    for (long i = 0; i < THREADS; i++) {
        pthread_t thread;
        if (pthread_create(&thread, &attr, thread_main, reinterpret_cast<void *>(i)) != 0) {
            fprintf(stderr, "thread %ld did not start\n", i);
            return 2;
        }
        pthread_detach(thread);
    }
    pthread_barrier_wait(&g_started);
    printf("%d threads hold dynamic TLS blocks\n", THREADS);
    return 0;
}
