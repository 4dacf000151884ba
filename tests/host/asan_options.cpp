// Sanitizer defaults of the test programs (the Tk test host and the unit tests),
// linked into them in the sanitizer build. Options given in ASAN_OPTIONS still
// override these.
//
// intercept_tls_get_addr=0: the runtime's __tls_get_addr hook takes any
// dynamic TLS block that starts 16 bytes into a page for an old glibc layout
// and reads the 16 bytes before it as the block's address and size. Since
// glibc 2.25 no such header exists, so when malloc places a block there by
// chance, the leak check at exit scans a range made of heap bookkeeping and
// the checker's tracer dies of a segfault ("Tracer caught signal 11",
// "LeakSanitizer has encountered a fatal error"). Each thread of a dlopen'ed
// library with thread-local data (llvmpipe's render threads in Mesa) adds such
// blocks, so the more threads, the more often it hits. Without the hook the
// blocks are still scanned: they are heap blocks that the thread's TLS
// vector points to, so leak checking is unchanged.
extern "C" __attribute__((visibility("default"), used)) const char *__asan_default_options()
{
    return "intercept_tls_get_addr=0";
}
