// The single pass over a save file: reads each line, repairs it, writes the copy, and
// tells each repair the moment it makes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "writer.h"

// Size of the held buffer.
const size_t LINEBUF = 262144;
// Longest line accepted, line end included.
const size_t LINEMAX = 262141;
// Size of the line buffer: a line at the limit after the part of the copy that the writer
// leaves in it for the next window.
const size_t LINEWINDOW = LINEBUF + WRITEBLOCK;

enum passresult { PASS_DONE, PASS_TOOLONG, PASS_READFAIL, PASS_WRITEFAIL };

// What one pass did to a save.
struct repairs {
    int64_t lines;    // lines read
    int64_t merged;   // lines joined to the line before
    int64_t scrubbed; // control bytes replaced with spaces
    int64_t requoted; // double quotes inside values made single
    int64_t closed;   // closing double quotes added
};

// Whether the pass changed anything of the save.
bool needsrepair(const repairs &r);

// Copies in to out line by line with every repair, using line (LINEWINDOW bytes), held
// (LINEBUF bytes) and outbuf (WRITEBUF bytes) as its only memory; a null out writes nothing
// and needs no outbuf. Lines are numbered on from r->lines, the count of lines before this
// stream (0 for a whole file), and the counts of r grow by what the pass did. On
// PASS_TOOLONG the message naming the line is already printed; the other failures are left
// to the caller.
passresult fixfile(FILE *in, FILE *out, char *line, char *held, char *outbuf, repairs *r);

// Length of the len bytes at s once their trailing bytes of 31 or less are dropped: the line
// end of a held line, or of a name typed at the prompt, and any control bytes before it.
size_t stripend(const char *s, size_t len);
