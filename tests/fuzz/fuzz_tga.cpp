// Fuzz target: the TGA reader on a file of arbitrary bytes. A read image must
// hold width x height x 3 bytes of pixels.
#include "formats/tga.h"
#include "tests/fuzz/fuzz_common.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string path = fuzz::write_file("fz.tga", data, size);
    const char *message = nullptr;
    TgaImage *image = tga_read(path.c_str(), &message);
    if (image) {
        if (image->width < 1 || image->height < 1 ||
            image->rgb_byte_count != image->width * image->height * 3) {
            fprintf(stderr, "inconsistent image %d x %d, %d bytes\n", image->width, image->height,
                    image->rgb_byte_count);
            abort();
        }
        // Touch every pixel byte so that a short buffer is seen.
        volatile unsigned sum = 0;
        for (int32_t i = 0; i < image->rgb_byte_count; i++) sum += image->pixels[i];
        (void)sum;
    } else if (!message) {
        fprintf(stderr, "failed read without a message\n");
        abort();
    }
    tga_free(image);
    return 0;
}
