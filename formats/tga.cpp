// Reader of uncompressed true-colour TGA images into packed RGB, top row first.
#include "formats/tga.h"

#include "foundation/file_table.h"
#include "foundation/str.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

static const size_t TGA_HEADER_SIZE = 18;
static const int TGA_TYPE_TRUE_COLOUR = 2;
static const size_t TGA_READ_CHUNK = 1u << 20;

static const char *const MSG_OPEN = "cannot open TGA file: %s";
static const char *const MSG_READ = "TGA read failed: %s";
static const char *const MSG_TYPE = "TGA file is not type 2 (true color, uncompressed): %s";
static const char *const MSG_DEPTH = "TGA image is not 24 or 32 bits per pixel: %s";

// Heap text of the last failure, returned through tga_read's message; null before the first.
static char *g_tga_message = nullptr;

static const char *read_image(int handle, TgaImage *image);
static int read_exactly(int handle, uint8_t *buffer, size_t count);
static int read_pixel_data(int handle, size_t count, std::vector<uint8_t> &data);
static int16_t read_i16(const uint8_t *bytes);
static void convert_rows(const uint8_t *data, int bytes_per_pixel, TgaImage *image);

TgaImage *tga_read(const char *path, const char **message)
{
    TgaImage *image = nullptr;
    const char *failure = nullptr;
    int handle = file_open(path, "rb");
    if (handle < 0) {
        failure = MSG_OPEN;
    } else {
        image = static_cast<TgaImage *>(calloc(1, sizeof(TgaImage)));
        failure = read_image(handle, image);
        file_close(handle);
    }
    if (failure) {
        tga_free(image);
        image = nullptr;
        free(g_tga_message);
        g_tga_message = str_printf(failure, path ? path : "");
        if (message)
            *message = g_tga_message ? g_tga_message : failure;
    }
    return image;
}

void tga_free(TgaImage *image)
{
    if (!image)
        return;
    free(image->pixels);
    free(image);
}

// Reads header, ID field and pixels into image; null on success, else the failure's format.
static const char *read_image(int handle, TgaImage *image)
{
    uint8_t header[TGA_HEADER_SIZE];
    if (!read_exactly(handle, header, sizeof header))
        return MSG_READ;
    // A colour map in front of the pixels would be read as pixels: refuse it with the type.
    if (header[2] != TGA_TYPE_TRUE_COLOUR || header[1] != 0)
        return MSG_TYPE;
    size_t id_length = header[0];
    if (!read_exactly(handle, reinterpret_cast<uint8_t *>(image->id_text), id_length))
        return MSG_READ;
    image->id_text[id_length] = '\0';
    image->x_origin = read_i16(header + 8);
    image->y_origin = read_i16(header + 10);
    image->width = read_i16(header + 12);
    image->height = read_i16(header + 14);
    image->bits_per_pixel = header[16];
    if (image->bits_per_pixel != 24 && image->bits_per_pixel != 32)
        return MSG_DEPTH;
    // Sizes above 32767 read negative; an image without pixels cannot be lent to a layer.
    if (image->width < 1 || image->height < 1)
        return MSG_READ;
    size_t pixel_count = static_cast<size_t>(image->width) * static_cast<size_t>(image->height);
    if (pixel_count * 3 > INT32_MAX)
        return MSG_READ;
    int bytes_per_pixel = image->bits_per_pixel / 8;
    std::vector<uint8_t> data;
    if (!read_pixel_data(handle, pixel_count * bytes_per_pixel, data))
        return MSG_READ;
    image->rgb_byte_count = static_cast<int32_t>(pixel_count * 3);
    image->pixels = static_cast<uint8_t *>(malloc(pixel_count * 3));
    convert_rows(data.data(), bytes_per_pixel, image);
    return nullptr;
}

// 1 when exactly count bytes were read into buffer.
static int read_exactly(int handle, uint8_t *buffer, size_t count)
{
    return count == 0 || file_read(handle, buffer, 1, count) == count;
}

// Reads count bytes into data in pieces, so a header that claims more than the
// file holds costs no more memory than the file; 1 when all were read.
static int read_pixel_data(int handle, size_t count, std::vector<uint8_t> &data)
{
    while (data.size() < count) {
        size_t done = data.size();
        size_t piece = count - done < TGA_READ_CHUNK ? count - done : TGA_READ_CHUNK;
        data.resize(done + piece);
        if (!read_exactly(handle, data.data() + done, piece))
            return 0;
    }
    return 1;
}

static int16_t read_i16(const uint8_t *bytes)
{
    return static_cast<int16_t>(static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)));
}

// Turns the bottom-up B, G, R(, A) rows of data into top-down R, G, B rows.
static void convert_rows(const uint8_t *data, int bytes_per_pixel, TgaImage *image)
{
    size_t width = static_cast<size_t>(image->width);
    size_t height = static_cast<size_t>(image->height);
    for (size_t k = 0; k < height; k++) {
        const uint8_t *source = data + (height - 1 - k) * width * bytes_per_pixel;
        uint8_t *target = image->pixels + k * width * 3;
        for (size_t x = 0; x < width; x++) {
            target[0] = source[2];
            target[1] = source[1];
            target[2] = source[0];
            source += bytes_per_pixel;
            target += 3;
        }
    }
}
