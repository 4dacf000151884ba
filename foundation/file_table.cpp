#include "foundation/file_table.h"

#include "foundation/last_error.h"
#include "foundation/path.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The file table: five slots, the number open, and the ready flag.
static struct {
    FileSlot slots[FILE_TABLE_SIZE];
    int open_count;
    int ready;
} g_files;

static FileSlot *slot_of(int handle);
static int open_flags(const char *mode);
static FILE *open_regular(const std::string &path, const char *mode);

int file_table_init()
{
    if (g_files.ready) return 1;
    memset(&g_files, 0, sizeof g_files);
    g_files.ready = 1;
    return 1;
}

int file_open(const char *path, const char *mode)
{
    file_table_init();
    if (!path || !mode || g_files.open_count >= FILE_TABLE_SIZE) return -1;
    int handle = -1;
    for (int i = 0; i < FILE_TABLE_SIZE; i++) {
        if (!g_files.slots[i].in_use) {
            handle = i;
            break;
        }
    }
    if (handle < 0) return -1;
    FILE *stream = open_regular(path_resolve(path), mode);
    if (!stream) return -1;
    g_files.slots[handle].in_use = 1;
    g_files.slots[handle].stream = stream;
    g_files.open_count++;
    return handle;
}

int file_close(int handle)
{
    FileSlot *slot = slot_of(handle);
    if (!slot) return 0;
    fclose(slot->stream);
    slot->in_use = 0;
    slot->stream = nullptr;
    g_files.open_count--;
    return 1;
}

size_t file_read(int handle, void *buffer, size_t size, size_t count)
{
    FileSlot *slot = slot_of(handle);
    return slot ? fread(buffer, size, count, slot->stream) : 0;
}

size_t file_write(int handle, const void *buffer, size_t size, size_t count)
{
    FileSlot *slot = slot_of(handle);
    return slot ? fwrite(buffer, size, count, slot->stream) : 0;
}

char *file_gets(char *buffer, int capacity, int handle)
{
    FileSlot *slot = slot_of(handle);
    if (!slot || !buffer || capacity < 1) return nullptr;
    if (!fgets(buffer, capacity, slot->stream)) return nullptr;
    size_t len = strlen(buffer);
    if (len > 0 && buffer[len - 1] == '\n') buffer[len - 1] = '\0';
    return buffer;
}

int file_eof(int handle)
{
    FileSlot *slot = slot_of(handle);
    return slot ? feof(slot->stream) : 0;
}

int file_error(int handle)
{
    FileSlot *slot = slot_of(handle);
    return slot ? ferror(slot->stream) : 0;
}

int file_is_regular(const char *path)
{
    if (!path) return 0;
    struct stat info;
    return stat(path_resolve(path).c_str(), &info) == 0 && S_ISREG(info.st_mode) ? 1 : 0;
}

int file_exists(const char *path)
{
    int handle = file_open(path, "r");
    if (handle < 0) return 0;
    file_close(handle);
    return 1;
}

int file_check_readable(const char *path, const char *shown, const char *missing)
{
    if (!shown) shown = path ? path : "";
    if (!missing) missing = "could not find";
    if (!path) {
        err_setf("%s: %s", missing, shown);
        return 0;
    }
    std::string found = path_resolve(path);
    struct stat info;
    int reason = 0;
    if (stat(found.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            err_setf("%s: %s", missing, shown);
            return 0;
        }
        reason = errno;
    } else if (!S_ISREG(info.st_mode)) {
        err_setf("not a regular file: %s", shown);
        return 0;
    } else if (g_files.open_count >= FILE_TABLE_SIZE) {
        reason = EMFILE;
    } else {
        int fd = open(found.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) reason = errno;
        else close(fd);
    }
    if (reason == 0) return 1;
    err_setf("cannot read: %s: %s", shown, strerror(reason));
    return 0;
}

int file_write_all(const char *path, const void *bytes, size_t count)
{
    int handle = file_open(path, "wb");
    if (handle < 0) return 0;
    file_write(handle, bytes, 1, count);
    file_close(handle);
    return 1;
}

// Reads the whole file, however long; the result is one malloc'ed block.
char *file_read_all(const char *path, size_t *out_size)
{
    if (out_size) *out_size = 0;
    int handle = file_open(path, "rb");
    if (handle < 0) return nullptr;
    std::vector<char> data;
    char piece[65536];
    size_t n;
    while ((n = file_read(handle, piece, 1, sizeof piece)) > 0) data.insert(data.end(), piece, piece + n);
    file_close(handle);
    if (data.empty()) return nullptr;
    char *buffer = static_cast<char *>(malloc(data.size()));
    memcpy(buffer, data.data(), data.size());
    if (out_size) *out_size = data.size();
    return buffer;
}

int file_open_count()
{
    return g_files.open_count;
}

static FileSlot *slot_of(int handle)
{
    if (handle < 0 || handle >= FILE_TABLE_SIZE || !g_files.slots[handle].in_use) return nullptr;
    return &g_files.slots[handle];
}

// open(2) flags of an fopen mode ("r", "w" or "a", then any of "b", "+", "x"); -1 for another mode.
static int open_flags(const char *mode)
{
    int flags;
    switch (mode[0]) {
    case 'r': flags = 0; break;
    case 'w': flags = O_CREAT | O_TRUNC; break;
    case 'a': flags = O_CREAT | O_APPEND; break;
    default: return -1;
    }
    bool update = false;
    for (const char *m = mode + 1; *m; m++) {
        if (*m == '+') update = true;
        else if (*m == 'x') flags |= O_EXCL;
    }
    if (update) flags |= O_RDWR;
    else flags |= mode[0] == 'r' ? O_RDONLY : O_WRONLY;
    return flags;
}

// A stream on the regular file at path, or null. Anything else that exists (a folder, a
// device such as /dev/zero, a FIFO, a socket) is refused: such a "file" cannot be read whole,
// may never end or may block. A FIFO is never opened; the open does not block and the
// opened file is checked again, in case the path changed in between.
static FILE *open_regular(const std::string &path, const char *mode)
{
    int flags = open_flags(mode);
    if (flags < 0) return nullptr;
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return nullptr;
    int fd = open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    FILE *stream = nullptr;
    int status = fcntl(fd, F_GETFL);
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && status >= 0 &&
        fcntl(fd, F_SETFL, status & ~O_NONBLOCK) == 0)
        stream = fdopen(fd, mode);
    if (!stream) close(fd);
    return stream;
}
