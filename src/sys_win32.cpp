// The Windows side of the system door: every name goes to the wide calls, so that names in
// any script work whatever the system's code page; the console window gets UTF-16 text.
#include "sys.h"
#include "winname.h"

#include <windows.h>

#include <aclapi.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <iterator>
#include <vector>

const char dirseps[] = "/\\:";
const bool slashoptions = true;

static HANDLE conin, conout; // null where the input or output is not a console
static void (*volatile stophandler)(bool speak);
static SRWLOCK stoplock = SRWLOCK_INIT; // held while a file is made and guarded

static std::wstring wide(const char *p, size_t n)
{
    std::wstring w(n, L'\0');
    int len =
        MultiByteToWideChar(CP_UTF8, 0, p, static_cast<int>(n), w.data(), static_cast<int>(n));
    w.resize(len > 0 ? static_cast<size_t>(len) : 0);
    return w;
}

static std::wstring wide(const char *s)
{
    return wide(s, std::strlen(s));
}

static std::string narrow(const wchar_t *w, size_t n)
{
    int len = WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
    std::string s(len > 0 ? static_cast<size_t>(len) : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(n), s.data(), len, nullptr, nullptr);
    return s;
}

// The name as the wide calls take it: in the long form where its full path is too long for
// the ordinary one.
static std::wstring syspath(const char *name)
{
    std::wstring w = wide(name);
    std::wstring full(GetFullPathNameW(w.c_str(), 0, nullptr, nullptr), L'\0');
    DWORD n = full.empty() ? 0
                           : GetFullPathNameW(w.c_str(), static_cast<DWORD>(full.size()),
                                              full.data(), nullptr);
    if (n == 0 || n >= full.size())
        return w;
    return wide(longform(name, narrow(full.data(), n)).c_str());
}

static HANDLE consolehandle(DWORD which)
{
    HANDLE h = GetStdHandle(which);
    DWORD mode;
    return h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode) ? h : nullptr;
}

bool conwrite(const char *p, size_t n)
{
    if (!conout)
        return std::fwrite(p, 1, n, stdout) == n && std::fflush(stdout) == 0;
    std::wstring w = wide(p, n);
    DWORD done;
    return WriteConsoleW(conout, w.data(), static_cast<DWORD>(w.size()), &done, nullptr) != 0;
}

// A console window closed, or CTRL+C: the handler runs on this thread of its own, once the
// main thread has made and guarded its file, and keeps the main thread from making another.
// The process then ends, and the files it still has open close with it.
static BOOL WINAPI leave(DWORD)
{
    AcquireSRWLockExclusive(&stoplock);
    if (stophandler)
        stophandler(false);
    return FALSE;
}

void holdstops(bool hold)
{
    if (hold)
        AcquireSRWLockExclusive(&stoplock);
    else
        ReleaseSRWLockExclusive(&stoplock);
}

void onstop(void (*handler)(bool speak))
{
    stophandler = handler;
    SetConsoleCtrlHandler(leave, TRUE);
}

bool keepname(const char *name, keptname *to)
{
    std::wstring w = syspath(name);
    if ((w.size() + 1) * sizeof(wchar_t) > sizeof to->bytes)
        return false;
    std::memcpy(to->bytes, w.c_str(), (w.size() + 1) * sizeof(wchar_t));
    return true;
}

bool removekept(const keptname &name)
{
    return DeleteFileW(reinterpret_cast<const wchar_t *>(name.bytes)) != 0;
}

// Adds the files that pattern finds and keep accepts to args in name order, each after the
// pattern's folder part as given, leaving out folders; a pattern that finds none is added as
// it stands. Windows matches a file's short 8.3 name too, so that keep must look at the long
// name itself.
static void expand(const std::string &pattern, bool (*keep)(const char *, const char *),
                   std::vector<std::string> *args)
{
    WIN32_FIND_DATAW found;
    std::vector<std::wstring> names;
    size_t dir = pattern.find_last_of(dirseps) + 1; // 0 where there is no folder part
    HANDLE h = FindFirstFileExW(syspath(pattern.c_str()).c_str(), FindExInfoBasic, &found,
                                FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    for (bool more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileW(h, &found))
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            keep(pattern.c_str() + dir, narrow(found.cFileName, wcslen(found.cFileName)).c_str()))
            names.emplace_back(found.cFileName);
    if (h != INVALID_HANDLE_VALUE)
        FindClose(h);
    std::sort(names.begin(), names.end(), [](const std::wstring &a, const std::wstring &b) {
        return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_LESS_THAN;
    });
    std::transform(names.begin(), names.end(), std::back_inserter(*args),
                   [&](const std::wstring &name) {
                       return pattern.substr(0, dir) + narrow(name.data(), name.size());
                   });
    if (names.empty())
        args->push_back(pattern);
}

void readsysargs(int *argc, char ***argv, bool (*keep)(const char *, const char *))
{
    static std::vector<std::string> args;
    static std::vector<char *> ptrs;
    int n = 0;
    LPWSTR *w = CommandLineToArgvW(GetCommandLineW(), &n);
    for (int i = 0; w && i < n; i++) {
        std::string arg = narrow(w[i], wcslen(w[i]));
        if (i > 0 && arg != "/?" && arg.find_first_of("*?") != std::string::npos)
            expand(arg, keep, &args);
        else
            args.push_back(arg);
    }
    LocalFree(w);
    std::transform(args.begin(), args.end(), std::back_inserter(ptrs),
                   [](std::string &arg) { return arg.data(); });
    ptrs.push_back(nullptr);
    if (w) {
        *argc = static_cast<int>(args.size());
        *argv = ptrs.data();
    }
}

bool openconsole()
{
    conin = consolehandle(STD_INPUT_HANDLE);
    conout = consolehandle(STD_OUTPUT_HANDLE);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    return conout != nullptr;
}

// The ways a piped line may be read, made UTF-8: as UTF-8, in the console's input code page,
// as cmd's echo writes a name (the OEM code page, which cmd would use, without a console),
// and in the ANSI code page, as Notepad saves a file. Bytes valid as UTF-8 may be meant in
// a code page all the same.
static void readpiped(std::string line, std::vector<std::string> *readings)
{
    if (line.compare(0, 3, "\xEF\xBB\xBF") == 0)
        line.erase(0, 3);
    int n = static_cast<int>(line.size());
    readings->clear();
    if (n == 0 ||
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, line.data(), n, nullptr, 0) > 0)
        readings->push_back(line);
    for (UINT page : {GetConsoleCP() ? GetConsoleCP() : GetOEMCP(), GetACP()}) {
        std::wstring w(line.size(), L'\0'); // no code page has more characters than bytes
        int len = MultiByteToWideChar(page, 0, line.data(), n, w.data(), n);
        std::string reading = narrow(w.data(), len > 0 ? static_cast<size_t>(len) : 0);
        if (len > 0 && std::find(readings->begin(), readings->end(), reading) == readings->end())
            readings->push_back(reading);
    }
    if (readings->empty())
        readings->push_back(line);
}

bool readline(std::vector<std::string> *readings)
{
    if (!conin) {
        std::string line;
        int c;
        while ((c = std::getchar()) != EOF && (line.push_back(static_cast<char>(c)), c != '\n'))
            ;
        readpiped(line, readings);
        return !line.empty();
    }
    std::wstring w;
    wchar_t buf[256];
    DWORD got;
    while (ReadConsoleW(conin, buf, 256, &got, nullptr) && got > 0) {
        w.append(buf, got);
        if (buf[got - 1] == L'\n')
            break;
    }
    readings->assign(1, narrow(w.data(), w.size()));
    return !w.empty();
}

// Whether the console has a window the player can see. Windows Terminal shows its tab for a
// hidden window of its own class; any other hidden or missing window (a launcher's
// CREATE_NO_WINDOW or SW_HIDE, Wine's console on a Unix terminal) no one can press ENTER in.
static bool shownconsole()
{
    HWND window = GetConsoleWindow();
    char name[32];
    // A new console's window may be shown a moment after the program has started.
    for (int i = 0; window && i < 20 && !IsWindowVisible(window); i++)
        Sleep(50);
    if (!window)
        return false;
    if (IsWindowVisible(window))
        return true;
    return GetClassNameA(window, name, sizeof name) != 0 &&
           std::strcmp(name, "PseudoConsoleWindow") == 0;
}

bool ownconsole()
{
    DWORD ids[2];
    // A command prompt's console lists the prompt as well.
    return conin && conout && GetConsoleProcessList(ids, 2) == 1 && shownconsole();
}

void dropinput()
{
    if (conin)
        FlushConsoleInputBuffer(conin);
}

// A stream over an open handle, which it then owns; null, the handle closed, on failure.
static FILE *streamof(HANDLE h, int flags, const char *mode)
{
    if (h == INVALID_HANDLE_VALUE)
        return nullptr;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), flags | _O_BINARY);
    FILE *f = fd == -1 ? nullptr : _fdopen(fd, mode);
    if (!f && fd != -1)
        _close(fd);
    else if (fd == -1)
        CloseHandle(h);
    return f;
}

FILE *openread(const char *name, openwhy *why, bool /*plain*/)
{
    // A game may still save by renaming a new file over this one while it is read: the
    // run then notices the change rather than making the game fail.
    HANDLE h = CreateFileW(syspath(name).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD error = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (why)
        *why = error == ERROR_SHARING_VIOLATION                                 ? OPEN_HELD
               : error == ERROR_NOT_ENOUGH_MEMORY || error == ERROR_OUTOFMEMORY ? OPEN_NOMEMORY
                                                                                : OPEN_FAILED;
    return streamof(h, _O_RDONLY, "rb");
}

FILE *createnew(const char *name, bool *clash)
{
    // WRITE_DAC lets a repair in place take the save's security.
    HANDLE h = CreateFileW(syspath(name).c_str(), GENERIC_WRITE | WRITE_DAC,
                           FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD why = GetLastError();
    *clash = h == INVALID_HANDLE_VALUE && (why == ERROR_FILE_EXISTS || why == ERROR_ALREADY_EXISTS);
    FILE *f = streamof(h, _O_WRONLY, "wb");
    // A file made without a stream to write it would be no one's to remove later.
    if (h != INVALID_HANDLE_VALUE && !f)
        DeleteFileW(syspath(name).c_str());
    return f;
}

static HANDLE handleof(FILE *f)
{
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
}

static int64_t ticks(const FILETIME &t)
{
    return static_cast<int64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime;
}

// The volume and the file's index on it, which links share, and the change time where the
// file system keeps one.
static bool stamphandle(HANDLE h, filestamp *st)
{
    BY_HANDLE_FILE_INFORMATION info;
    FILE_BASIC_INFO basic;
    if (!GetFileInformationByHandle(h, &info))
        return false;
    st->size = static_cast<int64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    st->mtime = ticks(info.ftLastWriteTime);
    st->volume = info.dwVolumeSerialNumber;
    st->number = static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    st->ctime = GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic)
                    ? basic.ChangeTime.QuadPart
                    : 0;
    return true;
}

bool stampfile(FILE *f, filestamp *st)
{
    HANDLE h = handleof(f);
    *st = filestamp{};
    st->regular = GetFileType(h) == FILE_TYPE_DISK;
    st->offset = _telli64(_fileno(f));
    return !st->regular || stamphandle(h, st);
}

bool stampname(const char *name, filestamp *st)
{
    HANDLE h = CreateFileW(syspath(name).c_str(), 0,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    *st = filestamp{};
    st->regular = GetFileType(h) == FILE_TYPE_DISK;
    bool ok = stamphandle(h, st);
    CloseHandle(h);
    return ok;
}

bool syncfile(FILE *f)
{
    return std::fflush(f) == 0 && FlushFileBuffers(handleof(f));
}

bool copymode(FILE *, unsigned)
{
    return true;
}

bool copyowner(FILE *f, FILE *old)
{
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                       FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                       FILE_ATTRIBUTE_TEMPORARY;
    FILE_BASIC_INFO was, is{}; // times of 0 stay as they are
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR security = nullptr;
    // The save's access list where the run may give it, as ReplaceFileW does; not the owner,
    // which only an administrator may give away.
    if (GetSecurityInfo(handleof(old), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                        &acl, nullptr, &security) == ERROR_SUCCESS) {
        SetSecurityInfo(handleof(f), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                        acl, nullptr);
        LocalFree(security);
    }
    if (!GetFileInformationByHandleEx(handleof(old), FileBasicInfo, &was, sizeof was))
        return false;
    is.FileAttributes =
        (was.FileAttributes & kept) ? was.FileAttributes & kept : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(handleof(f), FileBasicInfo, &is, sizeof is) != 0;
}

unsigned newmode()
{
    return 0;
}

bool replacefile(const char *from, const char *to)
{
    std::wstring f = syspath(from), t = syspath(to);
    // A virus scanner or an indexer may hold the earlier copy for a moment: it is waited for,
    // for a second at most.
    for (int tries = 1;; tries++) {
        if (MoveFileExW(f.c_str(), t.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        DWORD why = GetLastError();
        if (tries == 10 || (why != ERROR_SHARING_VIOLATION && why != ERROR_ACCESS_DENIED))
            return false;
        Sleep(100);
    }
}

std::string longname(const std::string &name)
{
    std::wstring w = syspath(name.c_str());
    std::wstring full(GetLongPathNameW(w.c_str(), nullptr, 0), L'\0');
    DWORD n = full.empty()
                  ? 0
                  : GetLongPathNameW(w.c_str(), full.data(), static_cast<DWORD>(full.size()));
    if (n == 0 || n >= full.size())
        return name;
    full.resize(n);
    std::wstring leaf = full.substr(full.find_last_of(L"\\/:") + 1);
    size_t dir = name.find_last_of(dirseps) + 1; // 0 where there is no folder part
    std::wstring given = wide(name.c_str() + dir);
    // A name that differs only in case is the player's spelling of the same one.
    if (leaf.empty() ||
        CompareStringOrdinal(leaf.c_str(), -1, given.c_str(), -1, TRUE) == CSTR_EQUAL)
        return name;
    return name.substr(0, dir) + narrow(leaf.data(), leaf.size());
}

linkresult linkfile(const char *from, const char *to)
{
    if (CreateHardLinkW(syspath(to).c_str(), syspath(from).c_str(), nullptr))
        return LINK_MADE;
    DWORD why = GetLastError();
    if (why == ERROR_ALREADY_EXISTS || why == ERROR_FILE_EXISTS)
        return LINK_TAKEN;
    // FAT and exFAT refuse with ERROR_INVALID_FUNCTION.
    bool none = why == ERROR_INVALID_FUNCTION || why == ERROR_NOT_SUPPORTED ||
                why == ERROR_NOT_SAME_DEVICE || why == ERROR_CALL_NOT_IMPLEMENTED;
    return none ? LINK_UNSUPPORTED : LINK_FAILED;
}

namekind lookname(const char *name)
{
    DWORD attributes = GetFileAttributesW(syspath(name).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_FILENAME_EXCED_RANGE ? NAME_TOOLONG : NAME_FREE;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return NAME_FOLDER;
    return (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? NAME_READONLY : NAME_FILE;
}

replacekind mayreplace(const char *name)
{
    // A game that holds its save open without sharing its deletion keeps any rename from
    // replacing it: a handle that may delete it is refused then.
    HANDLE h = CreateFileW(syspath(name).c_str(), DELETE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    DWORD why = GetLastError();
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
    return h != INVALID_HANDLE_VALUE        ? REPLACE_FREE
           : why == ERROR_SHARING_VIOLATION ? REPLACE_HELD
           : why == ERROR_ACCESS_DENIED     ? REPLACE_DENIED
                                            : REPLACE_FREE;
}

bool syncdir(const char *)
{
    return true;
}

bool removefile(const char *name)
{
    return DeleteFileW(syspath(name).c_str());
}
