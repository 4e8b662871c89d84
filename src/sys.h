// The door to the operating system: mechanism only, in four groups that each read alone
// (files, the console, the arguments, signals); what to do with it is the program's. Names
// cross it as UTF-8 bytes; sys_posix.cpp and sys_win32.cpp are the two sides, and nothing
// else in the program asks which system it runs on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// ---- Files ----

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

// The bytes that end a folder's part of a name.
extern const char dirseps[];

// Why a file could not be opened: another program holds it open without sharing it (a game
// that keeps its save open), memory ran out, or anything else.
enum openwhy { OPEN_FAILED, OPEN_HELD, OPEN_NOMEMORY };
// plain: the name itself, never a symbolic link's target, and a pipe opened without waiting
// for a writer (POSIX).
FILE *openread(const char *name, openwhy *why = nullptr, bool plain = false);
// Creates name, which must not exist in any form, for writing, readable by its owner only.
// *clash tells that something stood there already.
FILE *createnew(const char *name, bool *clash);
bool stampfile(FILE *f, filestamp *st);
// The same of the file that name leads to now, but for the offset; false when there is none.
bool stampname(const char *name, filestamp *st);
// Flushes the stream and waits until its bytes are on the disk.
bool syncfile(FILE *f);
// Gives the file the permission bits mode, where the system has them; false when it keeps
// others.
bool copymode(FILE *f, unsigned mode);
// Gives the file f what the open file old has beside its bytes and permission bits: its owner
// and group (POSIX), its attributes but read-only, and its security where the run may set it
// (Windows); false when f keeps an owner or attributes of its own.
bool copyowner(FILE *f, FILE *old);
// The permission bits a new file gets where nothing else is asked for.
unsigned newmode();
// Renames from over to, whatever stands at to; never writes through to.
bool replacefile(const char *from, const char *to);
enum linkresult { LINK_MADE, LINK_TAKEN, LINK_UNSUPPORTED, LINK_FAILED };
// Gives the file named from (a symbolic link itself, not its target) the second name to,
// which must be free:
// LINK_TAKEN when something stands there, LINK_UNSUPPORTED where the file system has no
// such names (FAT).
linkresult linkfile(const char *from, const char *to);
// What stands under a name, a link not followed: NAME_READONLY is a file marked read-only,
// which the system will not let a rename replace (Windows; a rename replaces any file on
// POSIX); NAME_LINK a symbolic link; NAME_TOOLONG a name too long for its folder.
enum namekind { NAME_FREE, NAME_FILE, NAME_READONLY, NAME_FOLDER, NAME_LINK, NAME_TOOLONG };
namekind lookname(const char *name);
// Whether the file under name may be replaced now by a file of this user's that takes its
// owner: REPLACE_DENIED where it is another user's (POSIX, but for root) or the user may not
// delete it (Windows); REPLACE_HELD where another program has it open without sharing its
// deletion (Windows).
enum replacekind { REPLACE_FREE, REPLACE_DENIED, REPLACE_HELD };
replacekind mayreplace(const char *name);
// The name with its last part spelled in full where it was given as a short 8.3 name
// (Windows); otherwise the name as given.
std::string longname(const std::string &name);
// Waits until the folder holding name has its entries on the disk.
bool syncdir(const char *name);
bool removefile(const char *name);

// ---- The console ----

// Keeps the standard descriptors open (a closed one would be taken by the files opened
// later) and finds the console; gives whether standard output is a console a player watches
// (a terminal, or a console window).
bool openconsole();
// Writes console bytes: UTF-16 to a console window, the bytes as they are elsewhere (through
// the text mode of the standard output on Windows, which makes its line feeds CR LF).
// Safe in a signal handler on POSIX. False when not every byte could be written.
bool conwrite(const char *p, size_t n);
// Reads one whole console line, its line end included, as the ways it may be read, the
// likeliest first, none twice; false at the end of the input. A line typed in a console
// window, or any line on POSIX, has one; a piped line on Windows, whose bytes do not tell
// their code page, is read as UTF-8 where it is valid, in the console's input code page and
// in the ANSI code page, a UTF-8 byte order mark in front of it dropped.
bool readline(std::vector<std::string> *readings);
// Whether the program has a console window of its own, which closes when it ends.
bool ownconsole();
// Throws away what was typed at the console and not yet read; input from a file or a pipe
// is kept.
void dropinput();

// ---- The arguments ----

// Makes the arguments UTF-8 where the system gives them otherwise, and where its shells pass
// wildcards on as typed (Windows) replaces each argument holding '*' or '?' (but "/?") with
// the files of its folder, in name order, that the system finds for it and keep(the
// argument's last part, a found file's name) accepts; an argument that keeps none stays.
void readsysargs(int *argc, char ***argv, bool (*keep)(const char *pattern, const char *name));

// Whether the system's programs take options written after a '/', as /c or /help (Windows),
// where a '/' alone also begins a name from the drive's root.
extern const bool slashoptions;

// ---- Signals ----

// Room for a name in the system's own form.
const size_t NAMEROOM = 65536;
// A name kept in the system's own form, so that a handler can remove the file without
// converting or allocating.
struct keptname {
    alignas(8) char bytes[NAMEROOM];
};
// Writes name in the system's own form to *to; false when it does not fit.
bool keepname(const char *name, keptname *to);
// Removes the file of a kept name; safe in a handler.
bool removekept(const keptname &name);
// Calls handler when a signal ends the run (POSIX: those that end a process, but any that
// whoever started the run ignores) or the console does (Windows: CTRL+C, CTRL+BREAK, the
// window closed), then lets the run end as it would have. On POSIX it runs in the signal
// handler, the main thread stopped where it was; on Windows on a thread of its own, while
// the main thread goes on. So it may do only what a signal handler may: remove kept names,
// and write the console (conwrite) where speak says it still can be (not from another
// thread). A write past the file size limit, or to a closed pipe, fails like any other,
// rather than ending the run.
void onstop(void (*handler)(bool speak));
// While held, a stop waits: the handler runs once the hold ends, so that a file made and
// guarded in one held step is never left unguarded.
void holdstops(bool hold);
