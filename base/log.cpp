// The setup log, for both programs: UTF-8 lines stamped with the local time, kept whole under its name.
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "base/base.h"

// The one log of the process.
static struct {
    HANDLE file;            // a new file beside the log's name, until the log is closed
    char staged[PATH_SIZE]; // its path
    char path[PATH_SIZE];   // the log's own name
} setup_log = {INVALID_HANDLE_VALUE, "", ""};

int log_default_path(char *path, size_t size, const char *program)
{
    char temp[PATH_SIZE];
    SYSTEMTIME now;
    GetLocalTime(&now);
    DWORD n = GetTempPathA(sizeof(temp), temp);
    return n > 0 && n < sizeof(temp) &&
           format_text(path, size, "%s%s-%04u%02u%02u-%02u%02u%02u.log", temp, program, now.wYear, now.wMonth,
                       now.wDay, now.wHour, now.wMinute, now.wSecond);
}

int log_open(const char *path)
{
    char full[PATH_SIZE];
    DWORD n = GetFullPathNameA(path, sizeof(full), full, NULL);
    const char *cut = n > 0 && n < sizeof(full) ? last_backslash(full) : NULL;
    if (!cut || !copy_text(setup_log.path, sizeof(setup_log.path), full))
        return 0;
    // Written beside its name and moved over it when done: an existing file at the name, or a link
    // there, is replaced whole, never written through.
    for (int i = 0; i < 100; i++) {
        if (!format_text(setup_log.staged, sizeof(setup_log.staged), "%.*s~tvklog-%lu-%d.tmp",
                         (int)(cut - full + 1), full, GetCurrentProcessId(), i))
            return 0;
        setup_log.file = CreateFileA(setup_log.staged, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, NULL);
        if (setup_log.file != INVALID_HANDLE_VALUE)
            return 1;
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return 0;
    }
    return 0;
}

int log_is_open(void)
{
    return setup_log.file != INVALID_HANDLE_VALUE;
}

void log_utf8(const char *line)
{
    if (!log_is_open())
        return;
    DWORD written = 0;
    WriteFile(setup_log.file, line, (DWORD)strlen(line), &written, NULL);
    WriteFile(setup_log.file, "\r\n", 2, &written, NULL);
}

int log_stamp_utf8(char *out, size_t size, const char *text)
{
    // Names are in the system's code page; the log is UTF-8 whatever the system.
    WCHAR wide[1024];
    char utf8[3 * 1024];
    int units = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, sizeof(wide) / sizeof(wide[0]));
    if (units <= 0 || !WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof(utf8), NULL, NULL))
        copy_text_truncated(utf8, sizeof(utf8), "(a line that could not be converted)");
    SYSTEMTIME now;
    GetLocalTime(&now);
    if (format_text(out, size, "%04u-%02u-%02u %02u:%02u:%02u.%03u  %s", now.wYear, now.wMonth, now.wDay,
                    now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, utf8))
        return 1;
    copy_text_truncated(out, size, utf8);
    return 0;
}

void log_line(const char *format, ...)
{
    if (!log_is_open())
        return;
    char text[1024], line[4096];
    va_list ap;
    va_start(ap, format);
    int n = vsnprintf(text, sizeof(text), format, ap);
    va_end(ap);
    if (n < 0)
        return;
    log_stamp_utf8(line, sizeof(line), text);
    log_utf8(line);
}

int log_close(void)
{
    if (!log_is_open())
        return 1;
    int flushed = FlushFileBuffers(setup_log.file) != 0;
    int closed = CloseHandle(setup_log.file) != 0;
    setup_log.file = INVALID_HANDLE_VALUE;
    return flushed && closed &&
           MoveFileExA(setup_log.staged, setup_log.path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}
