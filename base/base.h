// What every room stands on: bounded text, two-byte characters, packed resources, protected files.
#ifndef TAVIK_BASE_H
#define TAVIK_BASE_H

#include <stddef.h>

// The Windows path limit; every path buffer has this size.
#define PATH_SIZE 260

// Bounded printf-style formatting of any text. Writes at most size bytes including the
// terminator; 1 when the whole text fit, 0 when it did not (buf is then empty) or size is 0.
int format_text(char *buf, size_t size, const char *fmt, ...) __attribute__((format(printf, 3, 4)));

// Copies src into buf; 1 when it fit, 0 (and an empty buf) when it did not.
int copy_text(char *buf, size_t size, const char *src);

// Copies as much of src as fits, always terminating. Never splits a GBK pair.
void copy_text_truncated(char *buf, size_t size, const char *src);

// Folders are kept without a trailing backslash, so that names append as "%s\%s"; a drive's root is
// then "C:", which system calls read as the drive's current folder. A folder fit for those calls:
// "C:" becomes "C:\", others are copied. 0 (out empty) when it does not fit.
int folder_for_calls(char *out, size_t size, const char *folder);
// Removes one trailing backslash (a single-byte character, not a trail byte): "C:\" becomes "C:",
// the kept form. 1 when there was one.
int drop_trailing_backslash(char *path);
// The last backslash of a path in the system's code page, stepping over two-byte characters whose
// trail byte could be a backslash; null when there is none.
const char *last_backslash(const char *path);
inline char *last_backslash(char *path)
{
    return (char *)last_backslash((const char *)path);
}

// Text drawn from the glyph atlas is GBK whatever the system: a byte of 0x80 or above
// leads a pair.
inline int is_gbk_lead(unsigned char byte)
{
    return byte >= 0x80;
}

// Bytes of the longest run of whole GBK characters at the start of text, at most limit:
// a lead byte whose trail is missing or beyond the limit ends the run.
size_t gbk_whole_prefix(const char *text, size_t limit);

// Paths are in the system's code page: the bytes of the character at path (1 or 2; 0 at the
// end). A lead byte whose trail is missing counts alone, so no walk passes the terminator.
size_t path_char_size(const char *path);

// What the low byte of a button's style makes of it.
enum { BUTTON_OTHER, BUTTON_CHECK_BOX, BUTTON_RADIO, BUTTON_THREE_STATE };
int button_kind(unsigned long style);

#ifdef _WIN32
#include <windows.h>

// Inflates the "TEXT" resource id of module into out (capacity bytes); the inflated
// length goes to *size. 1 when the whole stream inflated into the buffer.
int inflate_resource(HMODULE module, int id, void *out, unsigned long capacity, unsigned long *size);

// Adds other_bits and the read-only and hidden bits asked for to an existing file's bits,
// hidden first: a file system may refuse to change anything on a read-only file.
void protect_file(const char *path, unsigned long other_bits, int read_only, int hidden);

// Sets *is_nt and *os_major_is_3 from the system's version; leaves them as they are when it
// cannot be read.
void read_platform(int *is_nt, int *os_major_is_3);

// The setup log of the process: UTF-8 lines stamped with the local time, written to a new file
// beside its name and moved over that name when it is closed.
// "<temp>\<program>-<yyyymmdd>-<hhmmss>.log".
int log_default_path(char *path, size_t size, const char *program);
int log_open(const char *path);
int log_is_open(void);
// A line of text in the system's code page, stamped and written as UTF-8; nothing without a log.
void log_line(const char *format, ...) __attribute__((format(printf, 1, 2)));
// text stamped and converted to UTF-8 into out, as log_line writes it.
int log_stamp_utf8(char *out, size_t size, const char *text);
// A line stamped and converted already (by another process of the setup's).
void log_utf8(const char *line);
// 1 when the log is whole under its name (or there was none).
int log_close(void);
#endif

#endif
