#include "foundation/byte_buffer.h"

#include "foundation/geometry.h"

#include <cmath>
#include <cstring>

static const int kFixedStringMax = 255;

static char g_fixed_string[kFixedStringMax + 1];  // result of buf_read_fixed_string

static uint32_t read_u32(const uint8_t *p);
static void write_u32(uint32_t value, uint8_t *p);

int8_t buf_read_byte(const uint8_t *p)
{
    return static_cast<int8_t>(p[0]);
}

int16_t buf_read_i16(const uint8_t *p)
{
    return static_cast<int16_t>(buf_read_u16(p));
}

uint16_t buf_read_u16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

int32_t buf_read_i32(const uint8_t *p)
{
    return static_cast<int32_t>(read_u32(p));
}

float buf_read_f32(const uint8_t *p)
{
    uint32_t bits = read_u32(p);
    float value;
    memcpy(&value, &bits, sizeof value);
    return value;
}

float buf_read_fixed1000(const uint8_t *p)
{
    return static_cast<float>(buf_read_i32(p) / 1000.0);
}

const char *buf_read_fixed_string(int length, const uint8_t *p)
{
    int n = 0;
    if (length > kFixedStringMax) length = kFixedStringMax;
    while (n < length && p[n] != 0) {
        g_fixed_string[n] = static_cast<char>(p[n]);
        n++;
    }
    g_fixed_string[n] = '\0';
    return g_fixed_string;
}

int buf_write_byte(int8_t value, uint8_t *p)
{
    p[0] = static_cast<uint8_t>(value);
    return 1;
}

int buf_write_i16(int16_t value, uint8_t *p)
{
    return buf_write_u16(value, p);
}

int buf_write_u16(int32_t value, uint8_t *p)
{
    uint32_t bits = static_cast<uint32_t>(value);
    p[0] = static_cast<uint8_t>(bits & 0xFF);
    p[1] = static_cast<uint8_t>((bits >> 8) & 0xFF);
    return 2;
}

int buf_write_i32(int32_t value, uint8_t *p)
{
    write_u32(static_cast<uint32_t>(value), p);
    return 4;
}

int buf_write_i32_min_as_zero(int32_t value, uint8_t *p)
{
    return buf_write_i32(value == INT32_MIN ? 0 : value, p);
}

// Values beyond the 32-bit range are clamped and not-a-number stores 0, so the
// conversion is always defined.
int buf_write_fixed1000(float value, uint8_t *p)
{
    return buf_write_i32(geom_trunc_int(static_cast<double>(value) * 1000.0), p);
}

int buf_write_i32x16(const int32_t *values, uint8_t *p)
{
    int written = 0;
    for (int i = 0; i < 16; i++) written += buf_write_i32_min_as_zero(values[i], p + written);
    return written;
}

int buf_write_fixed_string(const char *text, int length, uint8_t *p)
{
    if (length <= 0) return 0;
    int n = 0;
    if (text)
        while (n < length && text[n] != '\0') {
            p[n] = static_cast<uint8_t>(text[n]);
            n++;
        }
    if (n < length) memset(p + n, 0, static_cast<size_t>(length - n));
    return length;
}

static uint32_t read_u32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

static void write_u32(uint32_t value, uint8_t *p)
{
    for (int i = 0; i < 4; i++) p[i] = static_cast<uint8_t>((value >> (8 * i)) & 0xFF);
}
