#include "linepass.h"

#include "quoterepair.h"
#include "scan.h"
#include "scrub.h"
#include "writer.h"

#include <cstring>

// The state of one pass. The line buffer is a window on the input: [beg, end) is read but
// not yet taken. Lines are repaired where they lie, and [runbeg, runend) gathers the
// neighbouring ones that go to the copy unchanged, so that they leave together.
struct pass {
    reader in;
    writer out;
    events tell;
    char *buf;
    size_t beg, end;
    size_t runbeg, runend;
    bool eof;
    char *held;
    char *heldline; // where the held line lies: in the window until a refill or a repair
    size_t heldlen; // 0 when nothing is held: a held line keeps at least its odd quote
    repairs *done;
    bool clean; // the last line was clean: the next ones are likely to be too
};

bool needsrepair(const repairs &r)
{
    return r.merged + r.scrubbed + r.requoted + r.closed > 0;
}

static bool flushrun(pass *p)
{
    bool ok = put(&p->out, p->buf + p->runbeg, p->runend - p->runbeg);
    p->runbeg = p->runend;
    return ok;
}

// Sends the len bytes at offset at to the copy, after everything sent before.
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
// line still in the window right after the run joins it, and leaves with it.
static bool putheld(pass *p, bool crlf)
{
    bool joins =
        !crlf && p->heldline != p->held && static_cast<size_t>(p->heldline - p->buf) == p->runend;
    bool ok = joins || (flushrun(p) && put(&p->out, p->heldline, p->heldlen) &&
                        (!crlf || put(&p->out, "\r\n", 2)));
    if (joins)
        p->runend += p->heldlen;
    p->heldlen = 0;
    return ok;
}

// Tells the repair r.
static void tellrepair(pass *p, const repair &r)
{
    if (p->tell.repaired)
        p->tell.repaired(p->tell.ctx, r);
}

// Reads behind the window's end until it is full or the input ends.
static passresult readmore(pass *p)
{
    while (p->end < LINEWINDOW) {
        long n = p->in.read(p->in.ctx, p->buf + p->end, LINEWINDOW - p->end);
        if (n < 0)
            return PASS_READFAIL;
        if (n == 0) {
            p->eof = true;
            break;
        }
        p->end += static_cast<size_t>(n);
    }
    return PASS_DONE;
}

// Sends the run, moves what of it the writer left and the unfinished line to the front of
// the window, in that order, and reads behind them.
static passresult refill(pass *p)
{
    keepheld(p);
    size_t left = 0, have = p->end - p->beg;
    if (!putinplace(&p->out, p->buf + p->runbeg, p->runend - p->runbeg, &left))
        return PASS_WRITEFAIL;
    std::memmove(p->buf, p->buf + p->runend - left, left);
    std::memmove(p->buf + left, p->buf + p->beg, have);
    p->runbeg = 0;
    p->runend = p->beg = left;
    p->end = left + have;
    return readmore(p);
}

// Takes the clean lines at the start of the window at once, where nothing is held: they go
// out unchanged, as one by one. *ls becomes the scan of the line after them so far.
static bool takeclean(pass *p, linescan *ls)
{
    int64_t lines = 0;
    size_t n = p->end - p->beg;
    size_t len = scanclean(p->buf + p->beg, n < LINEMAX ? n : LINEMAX, &lines, ls);
    p->done->lines += lines;
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

// Replaces the control bytes of the line at s and tells them.
static void scrub(pass *p, char *s, size_t len)
{
    char codes[CODESROOM];
    size_t codelen;
    int64_t n = scrubline(s, len, codes, &codelen);
    p->done->scrubbed += n;
    if (n > 0)
        tellrepair(p, repair{REPAIR_CONTROLS, p->done->lines, n, codes, codelen});
}

// Repairs the held line, line lineno, in the held buffer, tells what it did, and writes it
// with CR LF.
static bool repairheld(pass *p, int64_t lineno)
{
    keepheld(p);
    quotefix f = fixquotes(p->held, p->heldlen);
    p->heldlen = f.len;
    p->done->closed += f.closed;
    p->done->requoted += f.requoted;
    if (f.closed)
        tellrepair(p, repair{REPAIR_CLOSED, lineno, 1, nullptr, 0});
    if (f.requoted > 0)
        tellrepair(p, repair{REPAIR_REQUOTED, lineno, f.requoted, nullptr, 0});
    return putheld(p, true);
}

// Scrubs the line at s, then holds it, merges it with the held line, or repairs the held
// line before it, as the parity of its double quotes decides. The scan has counted the
// quotes before the scrub: the scrub never makes or takes a quote.
static bool takeline(pass *p, char *s, size_t len, const linescan &ls)
{
    p->clean = !ls.odd && !ls.control;
    if (ls.control)
        scrub(p, s, len);
    if (ls.odd && p->heldlen == 0) {
        p->heldline = s;
        p->heldlen = stripend(s, len);
        return true;
    }
    if (ls.odd) {
        p->done->merged++;
        tellrepair(p, repair{REPAIR_MERGED, p->done->lines, 1, nullptr, 0});
        if (!putheld(p, false))
            return false;
    } else if (p->heldlen > 0 && !repairheld(p, p->done->lines - 1)) {
        return false;
    }
    return putline(p, static_cast<size_t>(s - p->buf), len);
}

// A line still held when the input ends is repaired under its own number and kept.
static bool finishpass(pass *p)
{
    if (p->heldlen > 0 && !repairheld(p, p->done->lines))
        return false;
    return flushrun(p) && finish(&p->out);
}

passresult fixfile(const reader &in, const byteout &out, const events &tell, const passmemory &mem,
                   repairs *r)
{
    pass p = {in, {}, tell, mem.line, 0, 0, 0, 0, false, mem.held, mem.held, 0, r, true};
    startwriter(&p.out, out, mem.out);
    passresult res;
    size_t len;
    linescan ls;
    while ((res = nextline(&p, &len, &ls)) == PASS_DONE && len > 0) {
        r->lines++;
        if (len > LINEMAX) {
            res = PASS_TOOLONG;
            break;
        }
        if (!takeline(&p, p.buf + p.beg, len, ls)) {
            res = PASS_WRITEFAIL;
            break;
        }
        p.beg += len;
    }
    if (res == PASS_DONE && !finishpass(&p))
        res = PASS_WRITEFAIL;
    if (tell.ended)
        tell.ended(tell.ctx, res, r->lines);
    return res;
}

size_t stripend(const char *s, size_t len)
{
    while (len > 0 && static_cast<unsigned char>(s[len - 1]) <= 31)
        len--;
    return len;
}
