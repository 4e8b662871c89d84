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
static sigset_t caught; // the signals that call the handler

// A signal that ends the run calls the handler, then ends it as before.
static void leave(int sig)
{
    if (stophandler)
        stophandler(true);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void onstop(void (*handler)(bool speak))
{
    stophandler = handler;
    sigemptyset(&caught);
    // A signal ignored by whoever started the run stays ignored.
    for (int sig : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2, SIGALRM, SIGXCPU, SIGVTALRM,
                    SIGPROF}) {
        struct sigaction was {
        };
        if (sigaction(sig, nullptr, &was) == 0 && was.sa_handler != SIG_IGN) {
            std::signal(sig, leave);
            sigaddset(&caught, sig);
        }
    }
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
}

void holdstops(bool hold)
{
    sigprocmask(hold ? SIG_BLOCK : SIG_UNBLOCK, &caught, nullptr);
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

bool conwrite(const char *p, size_t n)
{
    while (n > 0) {
        ssize_t done = write(1, p, n);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        p += done;
        n -= static_cast<size_t>(done);
    }
    return true;
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

FILE *openread(const char *name, openwhy *why, bool plain)
{
    int fd = plain ? open(name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC) : -1;
    FILE *f = !plain ? std::fopen(name, "rb") : fd == -1 ? nullptr : fdopen(fd, "rb");
    if (fd != -1 && !f)
        close(fd);
    if (why)
        *why = !f && errno == ENOMEM ? OPEN_NOMEMORY : OPEN_FAILED;
    return f;
}

FILE *createnew(const char *name, bool *clash)
{
    int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    *clash = fd == -1 && errno == EEXIST;
    FILE *f = fd == -1 ? nullptr : fdopen(fd, "wb");
    // A file made without a stream to write it would be no one's to remove later.
    if (fd != -1 && !f) {
        unlink(name);
        close(fd);
    }
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

bool copymode(FILE *f, unsigned mode)
{
    // Some file systems have no such bits and refuse, where the file may have them already.
    struct stat s;
    return fchmod(fileno(f), mode) == 0 ||
           (fstat(fileno(f), &s) == 0 && (s.st_mode & 0777) == mode);
}

bool copyowner(FILE *f, FILE *old)
{
    struct stat was, is;
    // Only root may give a file away: an owner that is already right is not asked for. A
    // change of owner may clear permission bits, so it comes before copymode.
    return fstat(fileno(old), &was) == 0 && fstat(fileno(f), &is) == 0 &&
           ((was.st_uid == is.st_uid && was.st_gid == is.st_gid) ||
            fchown(fileno(f), was.st_uid, was.st_gid) == 0);
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
    if (linkat(AT_FDCWD, from, AT_FDCWD, to, 0) == 0)
        return LINK_MADE;
    // FAT refuses with EPERM; EXDEV comes from a link that leads to another file system.
    bool none = errno == EPERM || errno == EOPNOTSUPP || errno == ENOSYS || errno == EXDEV;
    return errno == EEXIST ? LINK_TAKEN : none ? LINK_UNSUPPORTED : LINK_FAILED;
}

namekind lookname(const char *name)
{
    struct stat s;
    if (lstat(name, &s) != 0)
        return errno == ENAMETOOLONG ? NAME_TOOLONG : NAME_FREE;
    return S_ISDIR(s.st_mode) ? NAME_FOLDER : S_ISLNK(s.st_mode) ? NAME_LINK : NAME_FILE;
}

replacekind mayreplace(const char *name)
{
    struct stat s;
    uid_t me = geteuid();
    // Only root may give a file away: another user's save would become this user's (and in
    // a sticky folder, such as /tmp, the rename would be refused too).
    return lstat(name, &s) != 0 || me == 0 || me == s.st_uid ? REPLACE_FREE : REPLACE_DENIED;
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
