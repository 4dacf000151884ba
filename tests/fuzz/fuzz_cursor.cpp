// Fuzz target: the Windows cursor (.cur) reader on bytes in memory. A decoded
// image must hold its width x height pixels with the hot spot inside.
#include "viewer/cursor_file.h"

#include <X11/Xcursor/Xcursor.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    XcursorImage *image = cursor_file_decode_cur(data, size);
    if (image) {
        if (image->width < 1 || image->height < 1 || image->xhot >= image->width || image->yhot >= image->height) {
            fprintf(stderr, "bad cursor image %u x %u, hot spot %u %u\n", image->width, image->height,
                    image->xhot, image->yhot);
            abort();
        }
        volatile uint32_t sum = 0;
        for (size_t i = 0; i < static_cast<size_t>(image->width) * image->height; i++) sum += image->pixels[i];
        (void)sum;
        XcursorImageDestroy(image);
    }
    return 0;
}
