#include "writer.h"

#include <cstring>

// Pieces this long leave from where they lie, never copied into the buffer.
static const size_t DIRECT = WRITEBUF / 4;
static const size_t PAGE = 4096;
// Gathered bytes that leave up to a block always leave room for any small piece.
static_assert(DIRECT + WRITEBLOCK <= WRITEBUF, "a full buffer must drain");

void startwriter(writer *w, const byteout &out, char *buf)
{
    *w = writer{out, buf, 0, 0};
}

// Every write of the copy goes here.
static bool writeout(writer *w, const char *s, size_t n)
{
    w->sent += n;
    return n == 0 || w->out.write(w->out.ctx, s, n);
}

// Writes the gathered bytes up to the last multiple of align bytes of the copy (1: all of
// them), and moves the rest to the front.
static bool flushout(writer *w, size_t align)
{
    uint64_t upto = (w->sent + w->waiting) / align * align;
    size_t whole = upto > w->sent ? static_cast<size_t>(upto - w->sent) : 0;
    bool ok = writeout(w, w->buf, whole);
    w->waiting -= whole;
    std::memmove(w->buf, w->buf + whole, w->waiting);
    return ok;
}

// Sends the gathered bytes and then the n bytes at s, at least a page of them, up to a
// multiple of align bytes of the copy (a multiple of a page): the gathered ones are topped
// up to a page from s, and the rest leaves from where it lies.
static bool sendpages(writer *w, const char *s, size_t n, size_t align, size_t *left)
{
    size_t top = (PAGE - w->waiting % PAGE) % PAGE;
    std::memcpy(w->buf + w->waiting, s, top);
    w->waiting += top;
    uint64_t from = w->sent + w->waiting, upto = (from + n - top) / align * align;
    size_t whole = upto > from ? static_cast<size_t>(upto - from) : 0;
    *left = n - top - whole;
    return flushout(w, PAGE) && writeout(w, s + top, whole);
}

bool put(writer *w, const char *s, size_t n)
{
    size_t left = 0;
    if (!w->out.write)
        return true;
    if (n >= DIRECT) {
        if (!sendpages(w, s, n, PAGE, &left))
            return false;
        s += n - left;
        n = left;
    } else if (n > WRITEBUF - w->waiting && !flushout(w, WRITEBLOCK)) {
        return false;
    }
    std::memcpy(w->buf + w->waiting, s, n);
    w->waiting += n;
    return true;
}

bool putinplace(writer *w, const char *s, size_t n, size_t *left)
{
    *left = 0;
    if (n < DIRECT || !w->out.write)
        return put(w, s, n);
    return sendpages(w, s, n, WRITEBLOCK, left);
}

bool finish(writer *w)
{
    return !w->out.write || flushout(w, 1);
}
