#include "linepass.h"

#include "quoterepair.h"
#include "scrub.h"

#include "console.h"
#include "scan.h"

#include <cstring>

// The state of one pass. The line buffer is a window on the input: [beg, end) is read but
// not yet taken. Lines are repaired where they lie, and [runbeg, runend) gathers the
// neighbouring ones that go to the output unchanged, so that they leave in one write.
struct pass {
    FILE *in;
    FILE *out;
    char *buf;
    size_t beg, end;
    size_t runbeg, runend;
    bool eof;
    char *held;
    char *heldline; // where the held line lies: in the window until a refill or a repair
    size_t heldlen; // 0 when nothing is held: a held line keeps at least its odd quote
    int64_t lineno;
    bool clean;     // the last line was clean: the next ones are likely to be too
    size_t waiting; // bytes of the copy in the gathered buffer
    uint64_t sent;  // bytes of the copy written: whole pages until the last write
};

// Small pieces of the copy gather here and leave together; a large one leaves from where it
// lies, so that the bytes of a long run of unchanged lines are never copied on their way,
// and its last part page waits here or in the window.
static char gathered[LINEBUF];
static const size_t DIRECT = LINEBUF / 4;
static const size_t PAGE = 4096;
// Gathered bytes that leave up to a block always leave room for any small piece.
static_assert(DIRECT + WINDOWALIGN <= sizeof gathered, "a full gathered buffer must drain");

// Every write of the copy goes here; false when it failed.
static bool writeout(pass *p, const char *s, size_t n)
{
    p->sent += n;
    return n == 0 || std::fwrite(s, 1, n, p->out) == n;
}

// Writes the gathered bytes up to the last multiple of align bytes of the copy (1: all of
// them), and moves the rest to the front.
static bool flushout(pass *p, size_t align)
{
    uint64_t upto = (p->sent + p->waiting) / align * align;
    size_t whole = upto > p->sent ? static_cast<size_t>(upto - p->sent) : 0;
    bool ok = writeout(p, gathered, whole);
    p->waiting -= whole;
    std::memmove(gathered, gathered + whole, p->waiting);
    return ok;
}

// Sends the gathered bytes and then the n bytes at s, at least a page of them, up to a
// multiple of align bytes of the copy (a multiple of a page): the gathered ones are topped
// up to a page from s, and the rest leaves from where it lies. *left is set to the bytes at
// the end of s still to go; false when a write failed.
static bool sendpages(pass *p, const char *s, size_t n, size_t align, size_t *left)
{
    size_t top = (PAGE - p->waiting % PAGE) % PAGE;
    std::memcpy(gathered + p->waiting, s, top);
    p->waiting += top;
    uint64_t from = p->sent + p->waiting, upto = (from + n - top) / align * align;
    size_t whole = upto > from ? static_cast<size_t>(upto - from) : 0;
    *left = n - top - whole;
    return flushout(p, PAGE) && writeout(p, s + top, whole);
}

// The one way bytes reach the output; false when a write failed. Every write but the last
// is of whole pages, and most end on a block of the copy, which the kernel takes a good
// deal faster than ragged pieces. Small pieces are gathered, and leave a block at a time;
// a large one leaves from where it lies, and its last part page is gathered.
static bool putout(pass *p, const char *s, size_t n)
{
    size_t left = 0;
    if (n >= DIRECT) {
        if (!sendpages(p, s, n, PAGE, &left))
            return false;
        s += n - left;
        n = left;
    } else if (n > sizeof gathered - p->waiting && !flushout(p, WINDOWALIGN)) {
        return false;
    }
    std::memcpy(gathered + p->waiting, s, n);
    p->waiting += n;
    return true;
}

static bool flushrun(pass *p)
{
    bool ok = putout(p, p->buf + p->runbeg, p->runend - p->runbeg);
    p->runbeg = p->runend;
    return ok;
}

// Sends the len bytes at offset at to the output, after everything sent before.
static bool putline(pass *p, size_t at, size_t len)
{
    if (at != p->runend) {
        if (!flushrun(p))
            return false;
        p->runbeg = at;
    }
    p->runend = at + len;
    return true;
}

// Moves the held line from the window to the held buffer, before the window changes or a
// repair lengthens it.
static void keepheld(pass *p)
{
    if (p->heldlen > 0 && p->heldline != p->held)
        std::memcpy(p->held, p->heldline, p->heldlen);
    p->heldline = p->held;
}

// Writes the held line, with CR LF after it when asked, and empties the held buffer. A held
// line still in the window right after the run joins it, and leaves in the same write.
static bool putheld(pass *p, bool crlf)
{
    bool joins =
        !crlf && p->heldline != p->held && static_cast<size_t>(p->heldline - p->buf) == p->runend;
    bool ok = joins || (flushrun(p) && putout(p, p->heldline, p->heldlen) &&
                        (!crlf || putout(p, "\r\n", 2)));
    if (joins)
        p->runend += p->heldlen;
    p->heldlen = 0;
    return ok;
}

// Sends the whole pages of the copy so far, and moves the rest of the run and the unfinished
// line to the front of the window, in that order, and reads behind them. The messages of the
// window before leave first.
static passresult refill(pass *p)
{
    conflush();
    keepheld(p);
    // A short run is gathered; of a long one, what does not end a block stays in the window.
    size_t left = 0, have = p->end - p->beg, n = p->runend - p->runbeg;
    const char *run = p->buf + p->runbeg;
    if (n < DIRECT ? !putout(p, run, n) : !sendpages(p, run, n, WINDOWALIGN, &left))
        return PASS_WRITEFAIL;
    std::memmove(p->buf, p->buf + p->runend - left, left);
    std::memmove(p->buf + left, p->buf + p->beg, have);
    p->runbeg = 0;
    p->runend = p->beg = left;
    p->end = left + have;
    p->end += std::fread(p->buf + p->end, 1, LINEWINDOW - p->end, p->in);
    if (std::ferror(p->in))
        return PASS_READFAIL;
    p->eof = std::feof(p->in) != 0;
    return PASS_DONE;
}

// Takes the clean lines at the start of the window at once, where nothing is held: they go
// out unchanged, as one by one. *ls becomes the scan of the line after them so far.
static bool takeclean(pass *p, linescan *ls)
{
    int64_t lines = 0;
    size_t n = p->end - p->beg;
    size_t len = scanclean(p->buf + p->beg, n < LINEMAX ? n : LINEMAX, &lines, ls);
    p->lineno += lines;
    p->beg += len;
    return len == 0 || putline(p, p->beg - len, len);
}

// Finds the next line at p->beg and sets *len to its length with its line end, or to 0
// at the end of the input, and *ls to its scan. A line that cannot fit is given as
// LINEMAX + 1 bytes. A last line without a line end is scrubbed by the scrub's own look.
static passresult nextline(pass *p, size_t *len, linescan *ls)
{
    *ls = linescan{};
    if (p->heldlen == 0 && p->clean && !takeclean(p, ls))
        return PASS_WRITEFAIL;
    for (;;) {
        size_t have = p->end - p->beg;
        if (scanline(p->buf + p->beg, have, ls)) {
            *len = ls->len;
            return PASS_DONE;
        }
        if (have > LINEMAX || p->eof) {
            *len = have > LINEMAX ? LINEMAX + 1 : have;
            ls->control = true;
            return PASS_DONE;
        }
        passresult r = refill(p);
        if (r != PASS_DONE)
            return r;
    }
}

// Scrubs the line at s, then holds it, merges it with the held line, or repairs the held
// line before it, as the parity of its double quotes decides. The scan has counted the
// quotes before the scrub: the scrub never makes or takes a quote.
static bool takeline(pass *p, char *s, size_t len, const linescan &ls)
{
    p->clean = !ls.odd && !ls.control;
    if (ls.control)
        scrubline(s, len, p->lineno);
    if (ls.odd && p->heldlen == 0) {
        p->heldline = s;
        p->heldlen = stripend(s, len);
        return true;
    }
    if (ls.odd) {
        sayline(p->lineno, "merging this line with the previous line\n");
        if (!putheld(p, false))
            return false;
    } else if (p->heldlen > 0) {
        keepheld(p);
        p->heldlen = fixquotes(p->held, p->heldlen, p->lineno - 1);
        if (!putheld(p, true))
            return false;
    }
    return putline(p, s - p->buf, len);
}

// A line still held when the input ends is repaired under its own number and kept.
static bool finishpass(pass *p)
{
    if (p->heldlen > 0) {
        keepheld(p);
        p->heldlen = fixquotes(p->held, p->heldlen, p->lineno);
        if (!putheld(p, true))
            return false;
    }
    return flushrun(p) && flushout(p, 1);
}

passresult fixfile(FILE *in, FILE *out, char *line, char *held, int64_t *lines)
{
    pass p = {in, out, line, 0, 0, 0, 0, false, held, held, 0, *lines, true, 0, 0};
    passresult r;
    size_t len;
    linescan ls;
    while ((r = nextline(&p, &len, &ls)) == PASS_DONE && len > 0) {
        p.lineno++;
        if (len > LINEMAX) {
            sayline(p.lineno, "input buffer overflow; sorry, can't help you.\n");
            r = PASS_TOOLONG;
            break;
        }
        if (!takeline(&p, line + p.beg, len, ls)) {
            r = PASS_WRITEFAIL;
            break;
        }
        p.beg += len;
    }
    if (r == PASS_DONE && !finishpass(&p))
        r = PASS_WRITEFAIL;
    *lines = p.lineno;
    conflush();
    return r;
}

size_t countquotes(const char *s, size_t len)
{
    size_t n = 0;
    for (size_t i = 0; i < len; i++)
        n += s[i] == '"';
    return n;
}

void sayline(int64_t lineno, const char *text)
{
    char msg[32];
    char *end = linetext(msg, lineno);
    conput(msg, static_cast<size_t>(end - msg));
    conputs(text);
    conend();
}

size_t stripend(const char *s, size_t len)
{
    while (len > 0 && static_cast<unsigned char>(s[len - 1]) <= 31)
        len--;
    return len;
}
