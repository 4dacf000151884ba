#include "foundation/file_table.h"

#include "foundation/last_error.h"
#include "foundation/path.h"

#include <cassert>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Most symbolic links followed from one path, as the kernel's own limit.
constexpr int LINK_HOPS_MAX = 40;
// Longest part of the target's name that a temporary file's name repeats.
constexpr size_t TEMP_NAME_PART = 200;
// Names tried for a temporary file before giving up.
constexpr int TEMP_TRIES = 100;
// Reason given for a target that exists but is no regular file nor folder.
static const char NOT_REGULAR_TEXT[] = "Not a regular file";

// Bytes handed to file_write_all.
struct WholeBytes {
    const void *bytes;
    size_t count;
};

// The file table: five slots, the number open, and the ready flag.
static struct {
    FileSlot slots[FILE_TABLE_SIZE];
    int open_count;
    int ready;
    unsigned temp_serial;  // temporary files named so far, part of the next one's name
} g_files;

static FileSlot *slot_of(int handle);
static int free_slot();
static int take_slot(int handle, FILE *stream);
static int release_slot(int handle);
static int open_flags(const char *mode);
static FILE *open_regular(const std::string &path, const char *mode);
static const char *link_target(std::string path, std::string *target);
static const char *check_target(const std::string &target, mode_t *mode, int *exists);
static const char *open_temp(const std::string &target, const mode_t *mode, std::string *temp, int *handle);
static const char *finish_temp(int handle, int wrote);
static int write_bytes(int handle, void *user);

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
    if (!path || !mode) return -1;
    int handle = free_slot();
    if (handle < 0) return -1;
    FILE *stream = open_regular(path_resolve(path), mode);
    if (!stream) return -1;
    return take_slot(handle, stream);
}

int file_close(int handle)
{
    if (!slot_of(handle)) return 0;
    release_slot(handle);
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
    if (!slot) return 0;
    errno = 0;
    size_t written = fwrite(buffer, size, count, slot->stream);
    if (written < count && !slot->error) slot->error = errno ? errno : EIO;
    return written;
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

int file_replace(const char *path, FileWriteFn writer, void *user)
{
    file_table_init();
    if (!path || !writer) {
        err_set(strerror(EINVAL));
        return 0;
    }
    std::string target;
    std::string temp;
    mode_t mode = 0;
    int exists = 0;
    int handle = -1;
    const char *reason = link_target(path_resolve(path), &target);
    if (!reason) reason = check_target(target, &mode, &exists);
    if (!reason) reason = open_temp(target, exists ? &mode : nullptr, &temp, &handle);
    if (!reason) reason = finish_temp(handle, writer(handle, user));
    if (!reason && rename(temp.c_str(), target.c_str()) != 0) reason = strerror(errno);
    if (reason && !temp.empty()) unlink(temp.c_str());
    if (reason) err_set(reason);
    return reason ? 0 : 1;
}

int file_write_all(const char *path, const void *bytes, size_t count)
{
    WholeBytes whole = {bytes, count};
    return file_replace(path, write_bytes, &whole);
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

// The first slot not in use, -1 when five files are open.
static int free_slot()
{
    if (g_files.open_count >= FILE_TABLE_SIZE) return -1;
    for (int i = 0; i < FILE_TABLE_SIZE; i++)
        if (!g_files.slots[i].in_use) return i;
    return -1;
}

// Puts the stream into the free slot handle; the handle.
static int take_slot(int handle, FILE *stream)
{
    FileSlot *slot = &g_files.slots[handle];
    slot->in_use = 1;
    slot->stream = stream;
    slot->error = 0;
    g_files.open_count++;
    return handle;
}

// Closes the stream of a slot in use and frees the slot; fclose's result.
static int release_slot(int handle)
{
    FileSlot *slot = &g_files.slots[handle];
    int closed = fclose(slot->stream);
    slot->in_use = 0;
    slot->stream = nullptr;
    slot->error = 0;
    g_files.open_count--;
    return closed;
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

// The file that path leads to: symbolic links are followed, however many, to the path the
// last one names, which need not exist yet. Null, or the reason it cannot be found.
static const char *link_target(std::string path, std::string *target)
{
    std::vector<char> text(PATH_MAX);
    for (int hop = 0; hop <= LINK_HOPS_MAX; hop++) {
        struct stat info;
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            *target = path;
            return nullptr;
        }
        ssize_t n = readlink(path.c_str(), text.data(), text.size());
        if (n < 0) return strerror(errno);
        if (static_cast<size_t>(n) >= text.size()) return strerror(ENAMETOOLONG);
        std::string link(text.data(), static_cast<size_t>(n));
        size_t slash = path.rfind('/');
        if (!link.empty() && link[0] != '/' && slash != std::string::npos)
            link = path.substr(0, slash + 1) + link;
        path = link;
    }
    return strerror(ELOOP);
}

// Whether the target may be replaced: a missing file may, an existing one only when it is
// a regular file that may be written (checked here, as a rename alone would replace even
// a read-only file). Sets exists and the mode of an existing file. Null, or the reason.
static const char *check_target(const std::string &target, mode_t *mode, int *exists)
{
    struct stat info;
    *exists = 0;
    if (stat(target.c_str(), &info) != 0) return errno == ENOENT ? nullptr : strerror(errno);
    if (S_ISDIR(info.st_mode)) return strerror(EISDIR);
    if (!S_ISREG(info.st_mode)) return NOT_REGULAR_TEXT;
    if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return strerror(errno);
    *mode = info.st_mode & 07777;
    *exists = 1;
    return nullptr;
}

// Creates a new file beside the target, named after it and hidden, in a slot of the
// table: with the mode of the file it replaces, or else as fopen would create it. Sets
// its path and handle. Null, or the reason (temp stays empty when nothing was created).
static const char *open_temp(const std::string &target, const mode_t *mode, std::string *temp, int *handle)
{
    *handle = free_slot();
    if (*handle < 0) return strerror(EMFILE);
    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string name = target.substr(folder.size(), TEMP_NAME_PART);
    int fd = -1;
    for (int attempt = 0; attempt < TEMP_TRIES && fd < 0; attempt++) {
        std::string serial = std::to_string(getpid()) + "-" + std::to_string(++g_files.temp_serial);
        *temp = folder + "." + name + "." + serial + ".tmp";
        fd = open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        const char *reason = strerror(errno);
        temp->clear();
        return reason;
    }
    const char *reason = nullptr;
    FILE *stream = nullptr;
    if (mode && fchmod(fd, *mode) != 0) reason = strerror(errno);
    if (!reason && !(stream = fdopen(fd, "wb"))) reason = strerror(errno);
    if (reason) {
        close(fd);
        return reason;
    }
    take_slot(*handle, stream);
    return nullptr;
}

// Ends the writing of a temporary file: its data flushed and synced to the disk, the
// stream closed and its slot freed, whatever happens. wrote is the writer's result.
// Null when every write and every step succeeded, or the first reason found.
static const char *finish_temp(int handle, int wrote)
{
    FileSlot *slot = slot_of(handle);
    assert(slot && "a writer must leave its file open");
    int error = slot->error;
    if (!error && (!wrote || ferror(slot->stream))) error = EIO;
    errno = 0;
    if (!error && fflush(slot->stream) != 0) error = errno ? errno : EIO;
    if (!error && fsync(fileno(slot->stream)) != 0) error = errno;
    errno = 0;
    if (release_slot(handle) != 0 && !error) error = errno ? errno : EIO;
    return error ? strerror(error) : nullptr;
}

// A FileWriteFn for the bytes of a WholeBytes record, in one write.
static int write_bytes(int handle, void *user)
{
    const WholeBytes *whole = static_cast<const WholeBytes *>(user);
    return file_write(handle, whole->bytes, 1, whole->count) == whole->count;
}
