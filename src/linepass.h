// The single pass over a save file: reads each line, repairs it, writes the copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Size of the held buffer.
const size_t LINEBUF = 262144;
// Longest line accepted, line end included.
const size_t LINEMAX = 262141;
// The copy leaves the line buffer in blocks that end on a multiple of this many bytes of it.
const size_t WINDOWALIGN = 65536;
// Size of the line buffer: room for a line at the limit after the part of a block of the copy
// that waits in it for the next window.
const size_t LINEWINDOW = LINEBUF + WINDOWALIGN;

enum passresult { PASS_DONE, PASS_TOOLONG, PASS_READFAIL, PASS_WRITEFAIL };

// Copies in to out line by line with every repair, using line (LINEWINDOW bytes) and held
// (LINEBUF bytes) as its only memory. Lines are numbered on from *lines, the count of lines before
// this stream (0 for a whole file), and *lines ends as the last line's number. On PASS_TOOLONG the
// message naming the line is already printed; the other failures are left to the caller.
passresult fixfile(FILE *in, FILE *out, char *line, char *held, int64_t *lines);

// Number of double quote bytes among the len bytes at s.
size_t countquotes(const char *s, size_t len);

// Prints the message "Line <lineno>: <text>".
void sayline(int64_t lineno, const char *text);

// Length of the len bytes at s once their trailing bytes of 31 or less are dropped: the line
// end of a held line, or of a name typed at the prompt, and any control bytes before it.
size_t stripend(const char *s, size_t len);
