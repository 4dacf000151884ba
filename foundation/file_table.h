// A table of at most five open files over the C runtime's streams, and
// whole-file helpers. A handle is a slot index 0..4; -1 means none. Every
// path is found on disk through path_resolve. Files are written whole or not
// at all through file_replace.
#pragma once
#include <cstddef>
#include <cstdio>

constexpr int FILE_TABLE_SIZE = 5;

// One slot of the file table.
struct FileSlot {
    int in_use;     // non-zero while the slot holds an open stream
    FILE *stream;   // the open stream, null when free
    int error;      // errno of the first write that fell short, 0 when none
};

// Writes a file's content through handle with file_write for file_replace; 1 when
// all of it was handed over, 0 to give up.
typedef int (*FileWriteFn)(int handle, void *user);

// Readies the table with no open files on its first call; later calls do nothing. Returns 1.
int file_table_init();
// Opens the file with fopen's mode; the handle of the first free slot, or -1 (null
// argument, five files open, not a regular file (a folder, a device, a FIFO), or the open
// failed). Never blocks on the path.
int file_open(const char *path, const char *mode);
// Closes the file and frees its slot; 0 for a handle that is not open.
int file_close(int handle);
// fread into buffer; 0 for a handle that is not open.
size_t file_read(int handle, void *buffer, size_t size, size_t count);
// fwrite from buffer; 0 for a handle that is not open.
size_t file_write(int handle, const void *buffer, size_t size, size_t count);
// fgets into buffer, one trailing line feed removed; null at end of file, on error or a bad handle.
char *file_gets(char *buffer, int capacity, int handle);
// Non-zero at end of file; 0 for a bad handle.
int file_eof(int handle);
// Non-zero after a stream error; 0 for a bad handle.
int file_error(int handle);
// 1 when the path names an existing regular file (no folder, device or FIFO); opens nothing.
int file_is_regular(const char *path);
// 1 when the file can be opened for reading.
int file_exists(const char *path);
// 1 when the path names a regular file that can be opened for reading now. Otherwise 0
// with the last-error text saying why, naming shown (the path when null): missing (by
// default "could not find"), ": " and the name for a file that does not exist;
// "not a regular file: NAME" for a folder, device or FIFO; "cannot read: NAME: REASON"
// (the system's reason) for any other refusal. Keeps nothing open.
int file_check_readable(const char *path, const char *shown, const char *missing);
// Replaces the file at path whole or not at all: writer fills a new file in the target's
// folder (it takes a slot), which is flushed, synced, closed and renamed over the target
// only when every step succeeded. A symbolic link is followed and stays; an existing
// file keeps its permission bits. 1 when replaced; 0 with the system's reason (such as
// "No space left on device") as the last-error text, the old file unchanged and no
// new file left, also for a target that is no regular file or may not be written.
int file_replace(const char *path, FileWriteFn writer, void *user);
// Replaces the file with count bytes through file_replace; 1 when written, 0 as there.
int file_write_all(const char *path, const void *bytes, size_t count);
// The whole file in a malloc'ed buffer (caller frees) with its size; null for
// a missing or empty file.
char *file_read_all(const char *path, size_t *out_size);
// Number of files open now (0..5).
int file_open_count();
