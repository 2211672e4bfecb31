// libvelmora-write-faults.so: loaded with LD_PRELOAD into a test program, it stands in front of
// the C library's calls that put a file's bytes on disk (open for writing, write, pwrite, writev,
// fsync, fdatasync, rename, renameat, renameat2, link, linkat, copy_file_range, sendfile) and,
// once armed, makes the n-th of them fail with a chosen errno. Only calls on regular files count,
// so what a test prints on its terminal never does. The test finds the two control functions
// with dlsym.

#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace {

std::atomic<bool> armed{false};
std::atomic<long> calls{0};
std::atomic<long> failAt{0};
std::atomic<int> failWith{0};

template <typename F> F next(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

bool onRegularFile(int fd)
{
    struct stat st {};
    return fd > 2 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

// True when this call is the one to fail; errno is set for it.
bool fails(bool counts = true)
{
    if (!counts || !armed.load())
        return false;
    if (++calls != failAt.load())
        return false;
    errno = failWith.load();
    return true;
}

bool opensForWriting(int flags)
{
    return (flags & (O_WRONLY | O_RDWR | O_CREAT)) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
}

mode_t modeOf(int flags, va_list args)
{
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

} // namespace

extern "C" {

/// Counts the calls from now on, and makes call number `n` (from 1) fail with `error`; with
/// n == 0 they are only counted.
__attribute__((visibility("default"))) void velmora_faults_arm(long n, int error)
{
    calls = 0;
    failAt = n;
    failWith = error;
    armed = true;
}

/// Stops counting; returns how many calls were counted since velmora_faults_arm.
__attribute__((visibility("default"))) long velmora_faults_disarm()
{
    armed = false;
    return calls.load();
}

#define VELMORA_OPEN(name, ...)                                                                    \
    {                                                                                              \
        va_list args;                                                                              \
        va_start(args, flags);                                                                     \
        const mode_t mode = modeOf(flags, args);                                                   \
        va_end(args);                                                                              \
        if (fails(opensForWriting(flags)))                                                         \
            return -1;                                                                             \
        return next<decltype(&name)>(#name)(__VA_ARGS__, flags, mode);                             \
    }

int open(const char *path, int flags, ...) VELMORA_OPEN(open, path)
int open64(const char *path, int flags, ...) VELMORA_OPEN(open64, path)
int openat(int dir, const char *path, int flags, ...) VELMORA_OPEN(openat, dir, path)
int openat64(int dir, const char *path, int flags, ...) VELMORA_OPEN(openat64, dir, path)

ssize_t write(int fd, const void *data, size_t size)
{
    if (fails(onRegularFile(fd)))
        return -1;
    return next<decltype(&write)>("write")(fd, data, size);
}

ssize_t pwrite(int fd, const void *data, size_t size, off_t at)
{
    if (fails(onRegularFile(fd)))
        return -1;
    return next<decltype(&pwrite)>("pwrite")(fd, data, size, at);
}

ssize_t pwrite64(int fd, const void *data, size_t size, off64_t at)
{
    if (fails(onRegularFile(fd)))
        return -1;
    return next<decltype(&pwrite64)>("pwrite64")(fd, data, size, at);
}

ssize_t writev(int fd, const struct iovec *parts, int count)
{
    if (fails(onRegularFile(fd)))
        return -1;
    return next<decltype(&writev)>("writev")(fd, parts, count);
}

int fsync(int fd)
{
    if (fails(onRegularFile(fd)))
        return -1;
    return next<decltype(&fsync)>("fsync")(fd);
}

int fdatasync(int fd)
{
    if (fails(onRegularFile(fd)))
        return -1;
    return next<decltype(&fdatasync)>("fdatasync")(fd);
}

int rename(const char *from, const char *to)
{
    if (fails())
        return -1;
    return next<decltype(&rename)>("rename")(from, to);
}

int renameat(int fromDir, const char *from, int toDir, const char *to)
{
    if (fails())
        return -1;
    return next<decltype(&renameat)>("renameat")(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char *from, int toDir, const char *to, unsigned int flags)
{
    if (fails())
        return -1;
    return next<decltype(&renameat2)>("renameat2")(fromDir, from, toDir, to, flags);
}

int link(const char *from, const char *to)
{
    if (fails())
        return -1;
    return next<decltype(&link)>("link")(from, to);
}

int linkat(int fromDir, const char *from, int toDir, const char *to, int flags)
{
    if (fails())
        return -1;
    return next<decltype(&linkat)>("linkat")(fromDir, from, toDir, to, flags);
}

ssize_t copy_file_range(int in, off64_t *inAt, int out, off64_t *outAt, size_t size, unsigned int flags)
{
    if (fails())
        return -1;
    return next<decltype(&copy_file_range)>("copy_file_range")(in, inAt, out, outAt, size, flags);
}

ssize_t sendfile(int out, int in, off_t *at, size_t size)
{
    if (fails(onRegularFile(out)))
        return -1;
    return next<decltype(&sendfile)>("sendfile")(out, in, at, size);
}

} // extern "C"
