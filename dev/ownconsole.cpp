// Whether the program should ask for ENTER before it ends: the Windows half of the platform
// layer will take these two functions over. Needs user32 (linked by default with MinGW).
#include <windows.h>

#include <cstring>

// shownconsole: true when the console has a window the player can see. Windows Terminal
// stands in a hidden window of its own class for the tab it shows. Other hidden or missing
// windows (a launcher's CREATE_NO_WINDOW or SW_HIDE, or Wine's console on a Unix terminal)
// mean nobody could press ENTER in them.
static bool shownconsole()
{
    HWND window = GetConsoleWindow();
    char name[32];
    if (window == nullptr)
        return false;
    if (IsWindowVisible(window))
        return true;
    if (GetClassNameA(window, name, sizeof name) == 0)
        return false;
    return std::strcmp(name, "PseudoConsoleWindow") == 0;
}

// ownconsole: true when the program has a console window of its own (started by a drop or
// a double-click, not from a command prompt) with its standard input and output on it;
// that window closes the moment the program ends. A command prompt's console also lists
// the prompt, so it counts two processes or more; a redirected handle is no console.
bool ownconsole()
{
    DWORD ids[2];
    DWORD mode;
    if (GetConsoleProcessList(ids, 2) != 1)
        return false;
    if (!GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) ||
        !GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode))
        return false;
    return shownconsole();
}
