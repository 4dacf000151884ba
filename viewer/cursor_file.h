#pragma once
// Reader of Windows cursor files (.cur) into an X cursor image.

struct _XcursorImage;

// The first image of a Windows .cur file (uncompressed bitmaps of 1, 4, 8, 24
// or 32 bits a pixel with their transparency mask) as an ARGB cursor image
// with the file's hot spot; the caller frees it with XcursorImageDestroy.
// Null when the file is missing, is no .cur file, or is damaged.
struct _XcursorImage *cursor_file_load_cur(const char *path);
// The same from bytes held in memory.
struct _XcursorImage *cursor_file_decode_cur(const unsigned char *bytes, unsigned long size);
