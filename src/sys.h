// The door to the operating system: files, names and the console. Names cross it as UTF-8
// bytes; sys_posix.cpp and sys_win32.cpp are the two sides, and nothing else in the program
// asks which system it runs on.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// What the program needs to know of an open file to tell whether it changed under it.
struct filestamp {
    bool regular;
    int64_t size;
    int64_t mtime;           // nanoseconds
    int64_t ctime;           // the last change of any kind, where the system keeps it
    uint64_t volume, number; // which file: no two files share both
    int64_t offset;          // bytes read so far
    unsigned mode;           // permission bits
};

// Sets up the console (descriptors open, messages gathered unless it is a terminal) and,
// where the system gives them otherwise, makes the arguments UTF-8 and expands wildcards in
// them (Windows, whose shells pass them on as typed).
void sysinit(int *argc, char ***argv);
// Reads one whole console line, its line end included; false at the end of the input. A
// piped line that is not UTF-8 is read in the console's code page (Windows).
bool readline(std::string *line);
// Whether the program has a console window of its own, which closes when it ends.
bool ownconsole();
// Throws away what was typed at the console and not yet read; input from a file or a pipe
// is kept.
void dropinput();

// Why a file could not be opened: another program holds it open without sharing it (a game
// that keeps its save open), memory ran out, or anything else.
enum openwhy { OPEN_FAILED, OPEN_HELD, OPEN_NOMEMORY };
FILE *openread(const char *name, openwhy *why = nullptr);
// Creates name, which must not exist in any form, for writing, readable by its owner only.
// *clash tells that something stood there already.
FILE *createnew(const char *name, bool *clash);
bool stampfile(FILE *f, filestamp *st);
// The same of the file that name leads to now, but for the offset; false when there is none.
bool stampname(const char *name, filestamp *st);
// Flushes the stream and waits until its bytes are on the disk.
bool syncfile(FILE *f);
// Gives the file the permission bits mode, where the system has them; never fails the run.
void copymode(FILE *f, unsigned mode);
// Gives the file f the owner and group of the open file old, where the system has them and
// lets the run give them (root may); never fails the run.
void copyowner(FILE *f, FILE *old);
// The permission bits a new file gets where nothing else is asked for.
unsigned newmode();
// Renames from over to, whatever stands at to; never writes through to.
bool replacefile(const char *from, const char *to);
enum linkresult { LINK_MADE, LINK_TAKEN, LINK_UNSUPPORTED, LINK_FAILED };
// Gives the file named from (a link followed) the second name to, which must be free:
// LINK_TAKEN when something stands there, LINK_UNSUPPORTED where the file system has no
// such names (FAT).
linkresult linkfile(const char *from, const char *to);
// Renames from to to, which must be free: LINK_TAKEN when something stands there.
linkresult renamenew(const char *from, const char *to);
// What stands under a name, a link not followed.
enum namekind { NAME_FREE, NAME_FILE, NAME_FOLDER };
namekind lookname(const char *name);
// Whether name is a file marked read-only that the system will not let a rename replace
// (Windows); a rename replaces it on POSIX.
bool readonly(const char *name);
// The name with its last part spelled in full where it was given as a short 8.3 name
// (Windows); otherwise the name as given.
std::string longname(const std::string &name);
// Waits until the folder holding name has its entries on the disk.
bool syncdir(const char *name);
bool removefile(const char *name);
// Whether both names lead to one existing file.
bool samefile(const char *a, const char *b);
// A number that differs between runs and between calls, for names of temporary files.
uint64_t nonce();
// The temporary file that a killed run removes on its way out; null when there is none.
void guardtemp(const char *name);
// The backup that a killed run removes too, if it could still remove the temporary file:
// the save was not yet replaced, and the backup is only a second name or copy of it. Null
// when there is none.
void guardbackup(const char *name);
// The bytes that end a folder's part of a name.
extern const char dirseps[];
