// Packing of little-endian integers, fixed-point numbers, floats and fixed-width
// text fields at a byte pointer. Readers do not advance; writers return the number
// of bytes written so the caller can advance by it.
#pragma once
#include <cstdint>

// The byte as a signed 8-bit value.
int8_t buf_read_byte(const uint8_t *p);
// Bytes 0 and 1 as a little-endian signed 16-bit value.
int16_t buf_read_i16(const uint8_t *p);
// Bytes 0 and 1 as a little-endian unsigned 16-bit value.
uint16_t buf_read_u16(const uint8_t *p);
// Bytes 0 to 3 as a little-endian signed 32-bit value.
int32_t buf_read_i32(const uint8_t *p);
// The little-endian 32-bit float at p.
float buf_read_f32(const uint8_t *p);
// buf_read_i32 divided by 1000.
float buf_read_fixed1000(const uint8_t *p);
// The field's characters up to its first NUL, at most length and at most 255, in a
// static terminated buffer valid until the next call.
const char *buf_read_fixed_string(int length, const uint8_t *p);

// Stores the byte; returns 1.
int buf_write_byte(int8_t value, uint8_t *p);
// Stores the 16-bit value little-endian; returns 2.
int buf_write_i16(int16_t value, uint8_t *p);
// Stores the low 16 bits of value little-endian; returns 2.
int buf_write_u16(int32_t value, uint8_t *p);
// Stores the 32-bit value little-endian; returns 4.
int buf_write_i32(int32_t value, uint8_t *p);
// As buf_write_i32 but stores -2147483648 as 0; returns 4.
int buf_write_i32_min_as_zero(int32_t value, uint8_t *p);
// Stores value * 1000 truncated toward zero (clamped to 32 bits) little-endian; returns 4.
int buf_write_fixed1000(float value, uint8_t *p);
// Stores 16 values with buf_write_i32_min_as_zero; returns 64.
int buf_write_i32x16(const int32_t *values, uint8_t *p);
// Stores text into a field of exactly length bytes, NUL-padded, cut without a
// terminator when the text fills it; a null text gives NULs. Returns length (0 if negative).
int buf_write_fixed_string(const char *text, int length, uint8_t *p);
