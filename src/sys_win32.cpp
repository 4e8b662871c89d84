// The Windows side of the system door: every name goes to the wide calls, so that names in
// any script work whatever the system's code page; the console window gets UTF-16 text.
#include "console.h"
#include "sys.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <vector>

const char dirseps[] = "/\\:";

static HANDLE conin, conout; // null where the input or output is not a console
static wchar_t guarded[32768];

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

static HANDLE consolehandle(DWORD which)
{
    HANDLE h = GetStdHandle(which);
    DWORD mode;
    return h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode) ? h : nullptr;
}

// A console window shows UTF-16; a file or a pipe gets the UTF-8 bytes, its line feeds as
// CR LF by the text mode of the standard output.
static void tocon(const char *p, size_t n)
{
    if (!conout) {
        std::fwrite(p, 1, n, stdout);
        std::fflush(stdout);
        return;
    }
    std::wstring w = wide(p, n);
    DWORD done;
    WriteConsoleW(conout, w.data(), static_cast<DWORD>(w.size()), &done, nullptr);
}

// A console window closed, or CTRL+C, takes the unfinished copy with it: the name is
// removed once the copy's handle closes with the process.
static BOOL WINAPI leave(DWORD)
{
    if (guarded[0])
        DeleteFileW(guarded);
    return FALSE;
}

void sysinit(int *argc, char ***argv)
{
    static std::vector<std::string> args;
    static std::vector<char *> ptrs;
    int n = 0;
    LPWSTR *w = CommandLineToArgvW(GetCommandLineW(), &n);
    args.reserve(static_cast<size_t>(n)); // the pointers into them stay put
    for (int i = 0; w && i < n; i++) {
        args.push_back(narrow(w[i], wcslen(w[i])));
        ptrs.push_back(args.back().data());
    }
    LocalFree(w);
    ptrs.push_back(nullptr);
    if (w) {
        *argc = n;
        *argv = ptrs.data();
    }
    conin = consolehandle(STD_INPUT_HANDLE);
    conout = consolehandle(STD_OUTPUT_HANDLE);
    SetConsoleCtrlHandler(leave, TRUE);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    consetup(conout != nullptr, tocon);
}

bool readline(std::string *line)
{
    conflush();
    line->clear();
    if (!conin) {
        int c;
        while ((c = std::getchar()) != EOF && (line->push_back(static_cast<char>(c)), c != '\n'))
            ;
        return !line->empty();
    }
    std::wstring w;
    wchar_t buf[256];
    DWORD got;
    while (ReadConsoleW(conin, buf, 256, &got, nullptr) && got > 0) {
        w.append(buf, got);
        if (buf[got - 1] == L'\n')
            break;
    }
    *line = narrow(w.data(), w.size());
    return !line->empty();
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

FILE *openread(const char *name)
{
    return _wfopen(wide(name).c_str(), L"rb");
}

FILE *createnew(const char *name, bool *clash)
{
    HANDLE h = CreateFileW(wide(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                           nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD why = GetLastError();
    *clash = h == INVALID_HANDLE_VALUE && (why == ERROR_FILE_EXISTS || why == ERROR_ALREADY_EXISTS);
    if (h == INVALID_HANDLE_VALUE)
        return nullptr;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
    FILE *f = fd == -1 ? nullptr : _fdopen(fd, "wb");
    if (!f && fd != -1)
        _close(fd);
    else if (fd == -1)
        CloseHandle(h);
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
    HANDLE h =
        CreateFileW(wide(name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
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

void copymode(FILE *, unsigned) {}

unsigned newmode()
{
    return 0;
}

bool replacefile(const char *from, const char *to)
{
    return MoveFileExW(wide(from).c_str(), wide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

linkresult linkfile(const char *from, const char *to)
{
    if (CreateHardLinkW(wide(to).c_str(), wide(from).c_str(), nullptr))
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
    DWORD attributes = GetFileAttributesW(wide(name).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return NAME_FREE;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? NAME_FOLDER : NAME_FILE;
}

bool syncdir(const char *)
{
    return true;
}

bool removefile(const char *name)
{
    return DeleteFileW(wide(name).c_str());
}

bool samefile(const char *a, const char *b)
{
    filestamp sa, sb;
    return stampname(a, &sa) && stampname(b, &sb) && sa.volume == sb.volume &&
           sa.number == sb.number;
}

uint64_t nonce()
{
    static uint64_t calls;
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (static_cast<uint64_t>(GetCurrentProcessId()) << 40) ^
           static_cast<uint64_t>(t.QuadPart) ^ ++calls * 0x9E3779B97F4A7C15ULL;
}

void guardtemp(const char *name)
{
    std::wstring w = name ? wide(name) : std::wstring();
    if (w.size() < sizeof guarded / sizeof guarded[0])
        std::wmemcpy(guarded, w.c_str(), w.size() + 1);
}
