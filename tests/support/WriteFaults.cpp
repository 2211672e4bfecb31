// libvelmora-write-faults.so, put in front of the C library with LD_PRELOAD: once armed, the n-th
// of the calls a save makes to put bytes on disk (as strace shows them for QSaveFile: open for
// writing, write, fsync, fdatasync, linkat, rename) fails with a chosen errno. Writes count only
// on regular files, so what a test prints never does. Tests find the controls with dlsym.
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace {

std::atomic<bool> armed{false};
std::atomic<long> calls{0}, failAt{0};
std::atomic<int> failWith{0};

template <typename F> F next(const char *name) { return reinterpret_cast<F>(dlsym(RTLD_NEXT, name)); }

bool regular(int fd)
{
    struct stat st {};
    return fd > 2 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

// True (errno set) when this call is the one to fail.
bool fails(bool counts = true)
{
    if (!counts || !armed || ++calls != failAt)
        return false;
    errno = failWith;
    return true;
}

} // namespace

extern "C" {

/// Counts the calls from now on and makes call `n` (from 1; 0: none) fail with `error`.
__attribute__((visibility("default"))) void velmora_faults_arm(long n, int error)
{
    calls = 0, failAt = n, failWith = error, armed = true;
}

/// Stops counting; how many calls were counted.
__attribute__((visibility("default"))) long velmora_faults_disarm() { return armed = false, calls.load(); }

#define VELMORA_OPEN(name)                                                                         \
    int name(const char *path, int flags, ...)                                                     \
    {                                                                                              \
        va_list args;                                                                              \
        va_start(args, flags);                                                                     \
        const int mode = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(args, int) : 0; \
        va_end(args);                                                                              \
        if (fails((flags & (O_WRONLY | O_RDWR | O_CREAT)) != 0))                                   \
            return -1;                                                                             \
        return next<int (*)(const char *, int, ...)>(#name)(path, flags, mode);                    \
    }
VELMORA_OPEN(open)
VELMORA_OPEN(open64)

ssize_t write(int fd, const void *data, size_t size)
{
    return fails(regular(fd)) ? -1 : next<decltype(&write)>("write")(fd, data, size);
}

int fsync(int fd) { return fails(regular(fd)) ? -1 : next<decltype(&fsync)>("fsync")(fd); }

int fdatasync(int fd) { return fails(regular(fd)) ? -1 : next<decltype(&fdatasync)>("fdatasync")(fd); }

int rename(const char *from, const char *to) { return fails() ? -1 : next<decltype(&rename)>("rename")(from, to); }

int linkat(int fromDir, const char *from, int toDir, const char *to, int flags)
{
    return fails() ? -1 : next<decltype(&linkat)>("linkat")(fromDir, from, toDir, to, flags);
}

} // extern "C"
