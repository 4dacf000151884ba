#include "foundation/byte_buffer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

TEST(ByteBuffer, SixteenBitReadsAndSign)
{
    const uint8_t ff[2] = {0xFF, 0xFF};
    EXPECT_EQ(-1, buf_read_i16(ff));
    EXPECT_EQ(0xFFFF, buf_read_u16(ff));
    const uint8_t le[2] = {0x80, 0x02};  // the width of the digit image
    EXPECT_EQ(640, buf_read_i16(le));
    const uint8_t high[2] = {0x00, 0x80};
    EXPECT_EQ(-32768, buf_read_i16(high));
    EXPECT_EQ(0x8000, buf_read_u16(high));
    const uint8_t byte = 0xFE;
    EXPECT_EQ(-2, buf_read_byte(&byte));
}

TEST(ByteBuffer, IntegerRoundTripsAreLittleEndian)
{
    uint8_t b[4];
    EXPECT_EQ(4, buf_write_i32(0x12345678, b));
    EXPECT_EQ(0x78, b[0]);
    EXPECT_EQ(0x56, b[1]);
    EXPECT_EQ(0x34, b[2]);
    EXPECT_EQ(0x12, b[3]);
    for (int32_t v : {0, 1, -1, 255, 256, -256, INT32_MIN, INT32_MAX, 0x12345678}) {
        EXPECT_EQ(4, buf_write_i32(v, b));
        EXPECT_EQ(v, buf_read_i32(b));
    }
    for (int16_t v : {int16_t(0), int16_t(1), int16_t(-1), int16_t(0x1234), int16_t(-32768), int16_t(32767)}) {
        EXPECT_EQ(2, buf_write_i16(v, b));
        EXPECT_EQ(v, buf_read_i16(b));
    }
    EXPECT_EQ(2, buf_write_i16(0x1234, b));
    EXPECT_EQ(0x34, b[0]);
    EXPECT_EQ(0x12, b[1]);

    // Only the low 16 bits of a 32-bit value; the bytes after stay untouched.
    uint8_t w[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(2, buf_write_u16(0x12345, w));
    EXPECT_EQ(0x45, w[0]);
    EXPECT_EQ(0x23, w[1]);
    EXPECT_EQ(0xAA, w[2]);
    EXPECT_EQ(0x2345, buf_read_u16(w));
    EXPECT_EQ(2, buf_write_u16(-1, w));
    EXPECT_EQ(0xFFFF, buf_read_u16(w));

    EXPECT_EQ(1, buf_write_byte(-1, w));
    EXPECT_EQ(0xFF, w[0]);
    EXPECT_EQ(-1, buf_read_byte(w));
}

TEST(ByteBuffer, FloatIsStoredLittleEndian)
{
    const uint8_t one[4] = {0x00, 0x00, 0x80, 0x3F};
    EXPECT_EQ(1.0f, buf_read_f32(one));
    const uint8_t minus_two_and_half[4] = {0x00, 0x00, 0x20, 0xC0};
    EXPECT_EQ(-2.5f, buf_read_f32(minus_two_and_half));
}

TEST(ByteBuffer, MinimumStoredAsZero)
{
    uint8_t b[4];
    EXPECT_EQ(4, buf_write_i32_min_as_zero(INT32_MIN, b));
    EXPECT_EQ(0, buf_read_i32(b));
    buf_write_i32_min_as_zero(INT32_MIN + 1, b);
    EXPECT_EQ(INT32_MIN + 1, buf_read_i32(b));

    int32_t values[16];
    for (int i = 0; i < 16; i++) values[i] = (i - 8) * 1000003;
    values[5] = INT32_MIN;
    uint8_t block[66];
    memset(block, 0xAA, sizeof block);
    EXPECT_EQ(64, buf_write_i32x16(values, block));
    for (int i = 0; i < 16; i++) EXPECT_EQ(i == 5 ? 0 : values[i], buf_read_i32(block + 4 * i)) << i;
    EXPECT_EQ(0xAA, block[64]);
}

TEST(ByteBuffer, FixedThousandths)
{
    struct Case {
        float value;
        int32_t stored;
    } cases[] = {
        {1.2345f, 1234}, {-0.0019f, -1}, {-0.00019f, 0}, {1.9999f, 1999}, {-1.5f, -1500}, {0.001f, 1}, {2147483.0f, 2147483000},
        {1e10f, INT32_MAX}, {-1e10f, INT32_MIN}, {NAN, 0},
    };
    uint8_t b[4];
    for (const Case &c : cases) {
        EXPECT_EQ(4, buf_write_fixed1000(c.value, b));
        EXPECT_EQ(c.stored, buf_read_i32(b)) << c.value;
    }
    buf_write_i32(-1234, b);
    EXPECT_FLOAT_EQ(-1.234f, buf_read_fixed1000(b));
}

TEST(ByteBuffer, WriteFixedString)
{
    struct Case {
        const char *text;
        int length;
        std::vector<uint8_t> bytes;  // the field, then the sentinel after it
    } cases[] = {
        {"abc", 5, {'a', 'b', 'c', 0, 0, 0xAA}},
        {"abc", 3, {'a', 'b', 'c', 0xAA}},
        {"abc", 2, {'a', 'b', 0xAA}},
        {"", 3, {0, 0, 0, 0xAA}},
        {nullptr, 3, {0, 0, 0, 0xAA}},
        {"abc", 0, {0xAA}},
    };
    for (const Case &c : cases) {
        uint8_t field[8];
        memset(field, 0xAA, sizeof field);
        EXPECT_EQ(c.length, buf_write_fixed_string(c.text, c.length, field));
        EXPECT_EQ(c.bytes, std::vector<uint8_t>(field, field + c.bytes.size())) << c.length;
    }
    uint8_t field[4];
    EXPECT_EQ(0, buf_write_fixed_string("abc", -2, field));
}

TEST(ByteBuffer, ReadFixedString)
{
    std::vector<uint8_t> long_field(300, 'q');
    EXPECT_EQ(std::string(255, 'q'), buf_read_fixed_string(300, long_field.data()));
    const uint8_t field[6] = {'n', 'u', 'm', 0, 'x', 'y'};
    EXPECT_STREQ("num", buf_read_fixed_string(6, field));
    EXPECT_STREQ("nu", buf_read_fixed_string(2, field));
    EXPECT_STREQ("", buf_read_fixed_string(0, field));
    EXPECT_STREQ("", buf_read_fixed_string(-5, field));

    // Written and read back.
    uint8_t name[16];
    buf_write_fixed_string("numbers", 16, name);
    EXPECT_STREQ("numbers", buf_read_fixed_string(16, name));
}
