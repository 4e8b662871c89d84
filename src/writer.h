// The copy's bytes on their way out: small pieces gathered, long runs sent from where they
// lie, every write but the last of whole pages.
#pragma once

#include <cstddef>
#include <cstdint>

// Size of the buffer the writer gathers small pieces in.
const size_t WRITEBUF = 262144;
// A run sent in place leaves up to a multiple of this many bytes of the copy.
const size_t WRITEBLOCK = 65536;

// Where the copy's bytes go: write takes size bytes, false when writing failed. Without a
// write function every byte is dropped, as for a check.
struct byteout {
    bool (*write)(void *ctx, const char *buf, size_t size);
    void *ctx;
};

struct writer {
    byteout out;
    char *buf;      // WRITEBUF bytes of the caller's
    size_t waiting; // bytes gathered in buf
    uint64_t sent;  // bytes written so far
};

// Starts a copy to out that gathers its pieces in buf.
void startwriter(writer *w, const byteout &out, char *buf);
// Sends the n bytes at s after everything before them; false when a write failed.
bool put(writer *w, const char *s, size_t n);
// Sends the n bytes at s, which may leave from where they lie, up to the last multiple of
// WRITEBLOCK bytes of the copy; *left is set to the bytes at the end of s still to be sent,
// which stay the caller's to put again. False when a write failed.
bool putinplace(writer *w, const char *s, size_t n, size_t *left);
// Writes out what is gathered; false when a write failed.
bool finish(writer *w);
