// The single pass over a save file: reads each line, repairs it, writes the copy, and
// tells each repair the moment it makes it. It knows nothing of files or of the console:
// it reads from a reader, writes to a byte sink and tells an event sink, all the caller's.
#pragma once

#include <cstddef>
#include <cstdint>

#include "writer.h"

// Size of the held buffer.
const size_t LINEBUF = 262144;
// Longest line accepted, line end included.
const size_t LINEMAX = 262141;
// Size of the line buffer: a line at the limit after the part of the copy that the writer
// leaves in it for the next window.
const size_t LINEWINDOW = LINEBUF + WRITEBLOCK;

enum passresult { PASS_DONE, PASS_TOOLONG, PASS_READFAIL, PASS_WRITEFAIL };

// Where the pass gets its bytes: read fills buf with up to size bytes and gives how many,
// 0 only at the end of the input, or -1 when reading failed.
struct reader {
    long (*read)(void *ctx, char *buf, size_t size);
    void *ctx;
};

// What one pass did to a save.
struct repairs {
    int64_t lines;    // lines read
    int64_t merged;   // lines joined to the line before
    int64_t scrubbed; // control bytes replaced with spaces
    int64_t requoted; // double quotes inside values made single
    int64_t closed;   // closing double quotes added
};

// One repair as the pass makes it, for the caller to word: its kind, the number of the
// line it concerns, and for control bytes and quotes made single, how many.
enum repairkind { REPAIR_CONTROLS, REPAIR_MERGED, REPAIR_CLOSED, REPAIR_REQUOTED };
struct repair {
    repairkind kind;
    int64_t line;
    int64_t count;
    const char *codes; // REPAIR_CONTROLS: the codes of the first ones, "01h 1Ah"
    size_t codelen;
};

// What the pass tells as it goes: each repair in the order a player reads them, then once
// how it ended, with the number of the last line read (the line too long, for
// PASS_TOOLONG). Either may be null.
struct events {
    void (*repaired)(void *ctx, const repair &r);
    void (*ended)(void *ctx, passresult result, int64_t line);
    void *ctx;
};

// The pass's only memory, the caller's: LINEWINDOW, LINEBUF and WRITEBUF bytes; out is not
// needed when nothing is written.
struct passmemory {
    char *line, *held, *out;
};

// Whether the pass changed anything of the save.
bool needsrepair(const repairs &r);

// Copies in to out line by line with every repair, telling tell; out without a write
// function writes nothing. Lines are numbered on from r->lines, the count of lines before
// this input (0 for a whole file), and the counts of r grow by what the pass did.
passresult fixfile(const reader &in, const byteout &out, const events &tell, const passmemory &mem,
                   repairs *r);

// Length of the len bytes at s once their trailing bytes of 31 or less are dropped: the line
// end of a held line, or of a name typed at the prompt, and any control bytes before it.
size_t stripend(const char *s, size_t len);
