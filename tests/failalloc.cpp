// Preloaded into the program by the whole-run tests to make its memory for the pass or its
// look at the save fail, or its save change while it is read: VESKOR_FAILALLOC=1 fails every
// request for half a megabyte or more (the pass's memory is the only one), VESKOR_FAILSTAT=1
// the program's first look at a file's size and time (fstat: the save's), and the shell
// commands VESKOR_STAT1 and VESKOR_STAT2 run just after that first look and just before the
// second: the look before and after the save is read.
// VESKOR_BEFORE="call command" runs the command before the program's first call of call
// (linkat or fsync), as another program might at that moment; VESKOR_STOPCREATE=1 sends
// SIGINT the moment a file has been created for writing, VESKOR_FAILCREATE=1 refuses it a
// stream.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <sys/stat.h>

extern "C" void *malloc(size_t size) noexcept
{
    // The allocator behind this one: the C library's, or the address sanitizer's.
    static auto next = reinterpret_cast<void *(*)(size_t)>(dlsym(RTLD_NEXT, "malloc"));
    return size >= 524288 && std::getenv("VESKOR_FAILALLOC") ? nullptr : next(size);
}

// Runs the commands, without this shim, when asked.
static void runhook(bool now, const char *var)
{
    const char *command = now ? std::getenv(var) : nullptr;
    if (command && unsetenv("LD_PRELOAD") == 0 && std::system(command) != 0)
        std::abort();
}

extern "C" int fstat(int fd, struct stat *st) noexcept
{
    static int seen;
    auto real = reinterpret_cast<int (*)(int, struct stat *)>(dlsym(RTLD_NEXT, "fstat"));
    runhook(++seen == 2, "VESKOR_STAT2");
    if (seen == 1 && std::getenv("VESKOR_FAILSTAT"))
        return errno = EIO, -1;
    int r = real(fd, st);
    runhook(seen == 1, "VESKOR_STAT1");
    return r;
}

// Runs VESKOR_BEFORE's command if it is for call: once only, and in a shell without this shim.
static void before(const char *call)
{
    const char *hook = std::getenv("VESKOR_BEFORE");
    size_t n = std::strlen(call);
    if (hook && std::strncmp(hook, call, n) == 0 && hook[n] == ' ') {
        unsetenv("LD_PRELOAD");
        if (std::system(hook + n + 1) != 0)
            std::fputs("VESKOR_BEFORE's command failed\n", stderr);
        unsetenv("VESKOR_BEFORE");
    }
}

extern "C" int fsync(int fd)
{
    before("fsync");
    return reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"))(fd);
}

extern "C" FILE *fdopen(int fd, const char *mode) noexcept
{
    if (mode[0] == 'w' && std::getenv("VESKOR_FAILCREATE"))
        return errno = ENOMEM, nullptr;
    FILE *f = reinterpret_cast<FILE *(*)(int, const char *)>(dlsym(RTLD_NEXT, "fdopen"))(fd, mode);
    if (f && mode[0] == 'w' && std::getenv("VESKOR_STOPCREATE"))
        std::raise(SIGINT);
    return f;
}

extern "C" int linkat(int fromdir, const char *from, int todir, const char *to, int flags) noexcept
{
    before("linkat");
    auto real = reinterpret_cast<int (*)(int, const char *, int, const char *, int)>(
        dlsym(RTLD_NEXT, "linkat"));
    return real(fromdir, from, todir, to, flags);
}
