/* Preloaded into cindral-render by the tests to play a file system without
 * unnamed files (vfat, NFS): an open with O_TMPFILE fails with EOPNOTSUPP,
 * as it does there, so that the named temporary files of that case, and
 * their removal when a signal ends the run, can be tested anywhere. The
 * program opens its unnamed files with open() (open64() where built with
 * 64-bit file offsets). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>

typedef int (*OpenFunction)(const char*, int, ...);

static int openUnlessTmpfile(const char* name, const char* path, int flags, va_list rest)
{
    const int tmpfile = (flags & O_TMPFILE) == O_TMPFILE;
    const mode_t mode = (flags & O_CREAT) || tmpfile ? va_arg(rest, mode_t) : 0;
    if (tmpfile) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return ((OpenFunction)dlsym(RTLD_NEXT, name))(path, flags, mode);
}

int open(const char* path, int flags, ...)
{
    va_list rest;
    va_start(rest, flags);
    const int fd = openUnlessTmpfile("open", path, flags, rest);
    va_end(rest);
    return fd;
}

int open64(const char* path, int flags, ...)
{
    va_list rest;
    va_start(rest, flags);
    const int fd = openUnlessTmpfile("open64", path, flags, rest);
    va_end(rest);
    return fd;
}
