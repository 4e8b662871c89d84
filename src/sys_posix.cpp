// The POSIX side of the system door.
#include "sys.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

const char dirseps[] = "/";
const bool slashoptions = false;

static void (*volatile stophandler)(bool speak);

// A signal that ends the run calls the handler, then ends it as before.
static void leave(int sig)
{
    if (stophandler)
        stophandler(sig != SIGPIPE);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void onstop(void (*handler)(bool speak))
{
    stophandler = handler;
    // A signal ignored by whoever started the run stays ignored.
    for (int sig : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGUSR1, SIGUSR2, SIGALRM, SIGXCPU,
                    SIGVTALRM, SIGPROF}) {
        struct sigaction was {
        };
        if (sigaction(sig, nullptr, &was) == 0 && was.sa_handler != SIG_IGN)
            std::signal(sig, leave);
    }
    std::signal(SIGXFSZ, SIG_IGN);
}

bool keepname(const char *name, keptname *to)
{
    size_t n = std::strlen(name);
    if (n >= sizeof to->bytes)
        return false;
    std::memcpy(to->bytes, name, n + 1);
    return true;
}

bool removekept(const keptname &name)
{
    return unlink(name.bytes) == 0;
}

bool openconsole()
{
    for (int fd = 0; fd <= 2; fd++)
        if (fcntl(fd, F_GETFD) == -1 && open("/dev/null", O_RDWR) == -1)
            break;
    return isatty(1) != 0;
}

void conwrite(const char *p, size_t n)
{
    while (n > 0) {
        ssize_t done = write(1, p, n);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return;
        p += done;
        n -= static_cast<size_t>(done);
    }
}

bool readline(std::vector<std::string> *readings)
{
    std::string line;
    int c;
    while ((c = std::getchar()) != EOF) {
        line.push_back(static_cast<char>(c));
        if (c == '\n')
            break;
    }
    readings->assign(1, line);
    return !line.empty();
}

bool ownconsole()
{
    return false;
}

void dropinput()
{
    if (isatty(0))
        tcflush(0, TCIFLUSH);
}

void readsysargs(int * /*argc*/, char *** /*argv*/, bool (* /*keep*/)(const char *, const char *))
{
}

FILE *openread(const char *name, openwhy *why)
{
    FILE *f = std::fopen(name, "rb");
    if (why)
        *why = !f && errno == ENOMEM ? OPEN_NOMEMORY : OPEN_FAILED;
    return f;
}

FILE *createnew(const char *name, bool *clash)
{
    int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    *clash = fd == -1 && errno == EEXIST;
    FILE *f = fd == -1 ? nullptr : fdopen(fd, "wb");
    if (fd != -1 && !f)
        close(fd);
    return f;
}

static int64_t nanoseconds(const timespec &t)
{
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

static void fromstat(const struct stat &s, filestamp *st)
{
    st->regular = S_ISREG(s.st_mode);
    st->size = s.st_size;
    st->mtime = nanoseconds(s.st_mtim);
    st->ctime = nanoseconds(s.st_ctim);
    st->volume = s.st_dev;
    st->number = s.st_ino;
    st->offset = 0;
    st->mode = s.st_mode & 0777;
}

bool stampfile(FILE *f, filestamp *st)
{
    struct stat s;
    if (fstat(fileno(f), &s) != 0)
        return false;
    fromstat(s, st);
    st->offset = lseek(fileno(f), 0, SEEK_CUR);
    return true;
}

bool stampname(const char *name, filestamp *st)
{
    struct stat s;
    if (stat(name, &s) != 0)
        return false;
    fromstat(s, st);
    return true;
}

bool syncfile(FILE *f)
{
    return std::fflush(f) == 0 && fsync(fileno(f)) == 0;
}

void copymode(FILE *f, unsigned mode)
{
    // Some file systems have no such bits and refuse; the copy then stays private.
    (void)fchmod(fileno(f), mode);
}

void copyowner(FILE *f, FILE *old)
{
    struct stat s;
    // Unchanged where not allowed; a change of owner may clear permission bits, so it comes
    // before copymode. The checked build marks fchown's result as one to use, which a cast
    // to void does not silence.
    if (fstat(fileno(old), &s) != 0 || fchown(fileno(f), s.st_uid, s.st_gid) != 0)
        return;
}

unsigned newmode()
{
    mode_t mask = umask(077); // the only way to read it also sets it
    umask(mask);
    return 0666 & ~mask;
}

bool replacefile(const char *from, const char *to)
{
    return std::rename(from, to) == 0;
}

linkresult linkfile(const char *from, const char *to)
{
    if (linkat(AT_FDCWD, from, AT_FDCWD, to, AT_SYMLINK_FOLLOW) == 0)
        return LINK_MADE;
    // FAT refuses with EPERM; EXDEV comes from a link that leads to another file system.
    bool none = errno == EPERM || errno == EOPNOTSUPP || errno == ENOSYS || errno == EXDEV;
    return errno == EEXIST ? LINK_TAKEN : none ? LINK_UNSUPPORTED : LINK_FAILED;
}

linkresult renamenew(const char *from, const char *to)
{
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return LINK_MADE;
    // Some file systems (FUSE ones) cannot refuse to replace: the name is looked at first.
    if (errno != EINVAL && errno != ENOSYS)
        return errno == EEXIST ? LINK_TAKEN : LINK_FAILED;
    if (lookname(to) != NAME_FREE)
        return LINK_TAKEN;
    return std::rename(from, to) == 0 ? LINK_MADE : LINK_FAILED;
}

namekind lookname(const char *name)
{
    struct stat s;
    if (lstat(name, &s) != 0)
        return NAME_FREE;
    return S_ISDIR(s.st_mode) ? NAME_FOLDER : NAME_FILE;
}

std::string longname(const std::string &name)
{
    return name;
}

bool syncdir(const char *name)
{
    std::string dir(name);
    size_t slash = dir.rfind('/');
    dir = slash == std::string::npos ? "." : slash == 0 ? "/" : dir.substr(0, slash);
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd == -1)
        return true; // a folder that cannot be opened cannot be synced either
    // Some file systems cannot sync a folder at all: only a failing disk counts.
    bool ok = fsync(fd) == 0 || errno != EIO;
    close(fd);
    return ok;
}

bool removefile(const char *name)
{
    return std::remove(name) == 0;
}
