// What the Windows runs need and cmd lacks:
//   winhelp hold FILE PROGRAM ARG...  runs the program while FILE is held open and shared
//                                     with no one, as a game may hold its save; gives the
//                                     program's exit code; game instead of hold shares it
//                                     for reading and writing, as the C runtime's fopen;
//   winhelp short FILE                prints FILE's short 8.3 name.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

static int runheld(const wchar_t *file, DWORD share, int argc, wchar_t **argv)
{
    HANDLE held = CreateFileW(file, GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    std::wstring line;
    for (int i = 0; i < argc; i++)
        line += L"\"" + std::wstring(argv[i]) + L"\" ";
    STARTUPINFOW start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION run;
    DWORD code = 126;
    if (held != INVALID_HANDLE_VALUE && CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                                       0, nullptr, nullptr, &start, &run)) {
        WaitForSingleObject(run.hProcess, INFINITE);
        GetExitCodeProcess(run.hProcess, &code);
    }
    return static_cast<int>(code);
}

int wmain(int argc, wchar_t **argv)
{
    wchar_t name[MAX_PATH];
    if (argc == 3 && std::wcscmp(argv[1], L"short") == 0) {
        DWORD n = GetShortPathNameW(argv[2], name, MAX_PATH);
        return n == 0 || n >= MAX_PATH || std::printf("%ls\n", name) < 0;
    }
    bool game = argc > 3 && std::wcscmp(argv[1], L"game") == 0;
    if (argc > 3 && (game || std::wcscmp(argv[1], L"hold") == 0))
        return runheld(argv[2], game ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0, argc - 3, argv + 3);
    return 125;
}
