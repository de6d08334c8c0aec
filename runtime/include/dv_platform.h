// The runtime's one door to the C library and the operating system. Every
// system failure that passes through here becomes a dv_err with a fixed text.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <sys/types.h>

#include "dv_types.h"

namespace dv_qem {

// ---- strings and output -------------------------------------------------
char* _VRN_strdup(const char* s);  // heap copy (release with _VRN_free)
int _VRN_strcasecmp(const char* a, const char* b);  // -1, 0 or 1, ASCII case ignored
void _VRN_uppercase(char* s);  // in place, ASCII letters only
void _VRN_lowercase(char* s);
size_t _VRN_strlen(const char* s);
// fopen with a trailing "t" dropped from the mode; failure throws
// dv_err_cant_open_file "%s: failed to open %s".
FILE* _VRN_fopen(const char* path, const char* mode);
int _VRN_fclose(FILE* f);
int _VRN_fflush(FILE* f);
int _VRN_fprintf(FILE* f, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
// Traces: printf to standard output, flushed at once so traces interleave
// with the program's own output.
int _VRN_printf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
int _VRN_sprintf(char* buffer, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
// Bounded formatting: never writes past size bytes; always terminates.
int _VRN_snprintf(char* buffer, size_t size, const char* fmt, ...)
    __attribute__((format(printf, 3, 4)));
int _VRN_vsnprintf(char* buffer, size_t size, const char* fmt, va_list args);
// strtoul under the "C" locale.
dv4u _VRN_strto4u(const char* s, char** end, int base);
// The variable's value, or null when it is unset or empty.
const char* _VRN_getenv(const char* name);
// exit() the first time, _exit() when called again while exiting.
[[noreturn]] void _VRN_exit(int status);
// Switch read by the fault handler: faults on non-persistent addresses raise
// dv_err_misc instead of passing on.
void _VRN_catch_transient_faults(int flag);
int _VRN_catching_transient_faults();
// Wall clock as whole seconds and the milliseconds of the current second.
void _VRN_ftime(dv4u& seconds, unsigned& milliseconds);
// A local date and time in the nine fields of the C library's broken-down
// time, in its order and with its meanings (year since 1900, month 0..11).
struct _VRN_date {
  int second;
  int minute;
  int hour;
  int day_of_month;
  int month;
  int year;
  int day_of_week;
  int day_of_year;
  int daylight_saving;  // > 0 in effect, 0 not, < 0 unknown
};
// mktime: the seconds since the epoch of the local date, with date's fields
// brought into their ranges and the weekday and day of the year filled in;
// -1 (date unchanged) when it cannot be represented.
long _VRN_mktime(_VRN_date& date);

// ---- files --------------------------------------------------------------
// Open flags: access in the low two bits, creation bits as below.
constexpr int _VRN_O_RDONLY = 0;
constexpr int _VRN_O_WRONLY = 1;
constexpr int _VRN_O_RDWR = 2;
constexpr int _VRN_O_CREAT = 0x200;
constexpr int _VRN_O_TRUNC = 0x400;
constexpr int _VRN_O_NOFOLLOW = 0x800;  // refuse a path that is a symbolic link

// Result codes of _VRN_open_file.
enum _VRN_file_error : int {
  _VRN_FILE_OK = 0,
  _VRN_FILE_ACCESS_DENIED = 1,   // permission, or locked by another opener
  _VRN_FILE_EXISTS = 3,
  _VRN_FILE_OTHER = 6,
  _VRN_FILE_TOO_MANY_OPEN = 7,
  _VRN_FILE_BAD_NAME = 8,
  _VRN_FILE_NOT_FOUND = 9,
  _VRN_FILE_DISK_FULL = 10,
  _VRN_FILE_BAD_DIRECTORY = 11,
  _VRN_FILE_WRITE_PROTECTED = 12,
};

// An open file with the offset that read, write and seek work at. All
// transfers are positioned (pread/pwrite); nothing is mapped.
struct _VRN_file;

// The result code above for a system error number (errno).
int _VRN_file_error_code(int error_number);

// Opens path (the descriptor is close-on-exec); on failure returns null, sets
// code and copies the system text "(%d) %s" into text (cut to text_size).
// A regular file opened with flags 0 takes a shared lock, with any other
// flags an exclusive one; a refused lock is code 1, and a truncating open
// truncates only once it holds the lock.
_VRN_file* _VRN_open_file(const char* path, int flags, int mode, int& code, char* text,
                          size_t text_size);
// Writes at the file's offset and advances it. Returns the bytes written,
// which is short only when the device is full; any other failure throws
// dv_err_cant_write_to_file "WriteFile failed: %s".
size_t _VRN_write_file(_VRN_file* f, const void* buffer, size_t length);
// Reads at the file's offset and advances it; end of file is a short count.
// Failure throws dv_err_cant_read_from_file "ReadFile failed: %s".
size_t _VRN_read_file(_VRN_file* f, void* buffer, size_t length);
// Positioned forms that leave the file's offset alone.
size_t _VRN_pwrite_file(_VRN_file* f, const void* buffer, size_t length, off_t offset);
size_t _VRN_pread_file(_VRN_file* f, void* buffer, size_t length, off_t offset);
// whence 0 = from the start, 2 = from the end; returns the new offset.
off_t _VRN_seek_file(_VRN_file* f, off_t distance, int whence);
// fsync; failure throws dv_err_cant_write_to_file "FlushFileBuffers failed: %s".
void _VRN_flush_file(_VRN_file* f);
// Failure throws dv_err_file "GetFileSize failed: %s".
off_t _VRN_file_size(_VRN_file* f);
// ftruncate; failure throws dv_err_cant_write_to_file "SetEndOfFile failed: %s".
void _VRN_truncate_file(_VRN_file* f, off_t size);
int _VRN_close_file(_VRN_file* f);  // 0 or -1; frees f
// fsync of the directory that holds path (a new file's name is durable);
// failure throws dv_err_cant_write_to_file "FlushFileBuffers failed: %s: %s"
// (directory, system text).
void _VRN_flush_directory_of(const char* path);
int _VRN_delete_file(const char* path);  // 0 or -1
int _VRN_rename_file(const char* from, const char* to);  // 0 or -1
// -1 when missing, 0444 when no write permission bit is set, else 0666.
int _VRN_get_mode(const char* path);
int _VRN_access(const char* path, int mode);  // access(2) with mode & 6

// ---- paths ----------------------------------------------------------------
constexpr size_t _VRN_MAX_PATH = 512;
// Makes path absolute in place (buffer of _VRN_MAX_PATH) against the working
// directory, dropping "." components and repeated '/'; case, ".." and symbolic
// links are kept as they are (the file need not exist). Failure: dv_err_file
// "%s: %s" (path, system text); a result of _VRN_MAX_PATH characters or more:
// dv_err_invalid_pathname "%s".
void _VRN_get_full_path(char* path);
// Keeps the file name (the part after the last '/', '\\' or ':') in place;
// an empty file name: dv_err_file "%s".
void _VRN_get_short_path(char* path);
// The file name part of path (the whole path when it has no separator).
const char* _VRN_file_name_of(const char* path);
// Writes "<path>.<extension>" into out (capacity out_size). With DV_FATFS set
// an extension of 1 to 3 characters in the file name is cut first. A result
// that does not fit: dv_err_invalid_pathname "%s" (the name it would be).
void _VRN_add_extension(char* out, size_t out_size, const char* path, const char* extension);
// The temporary directory, without a trailing separator (read once).
const char* _VRN_get_tmp_dir();
// Creates a new unique file "<dir>/<prefix>XXXXXX" (a null dir is the
// temporary directory) and writes its name to out (_VRN_MAX_PATH bytes);
// returns 0, or -1 on failure.
int _VRN_get_tmp_filename(const char* dir, const char* prefix, char* out);

// ---- memory -------------------------------------------------------------
// malloc (1 byte for 0); null throws dv_err_out_of_virtual_memory.
void* _VRN_allocate(size_t n);
void* _VRN_allocate_zeroed(size_t n, size_t size);
void _VRN_free(void* p);
unsigned _VRN_get_page_size();  // the system's, read once

// ---- errors from the system ---------------------------------------------
// "(%d) %s" for the error number into buffer.
void _VRN_system_error_text(int error_number, char* buffer, size_t size);
// Throws dv_err_internal "%s - %s" with text and "%s\n%s (%d)\n" (short and
// long system message, number).
[[noreturn]] void _VRN_signal_system_error(int error_number, const char* text);
// The same for errno, with text formatted from fmt (cut at 1024 bytes).
// The same with the text formatted from fmt (into 1024 bytes) first.
[[noreturn]] void _VRN_signal_system_errorf(int error_number, const char* fmt, ...)
    __attribute__((format(printf, 2, 3)));
// The same for the current errno.
[[noreturn]] void _VRN_signal_last_error(const char* fmt, ...)
    __attribute__((format(printf, 1, 2)));

// ---- process ------------------------------------------------------------
// 1 when the program registered a message box (_VRN_set_message_box).
int _VRN_is_gui_process();

// Clean-up lists 0..3 (another list number is an internal assertion), run at
// library unload.
void _VRN_register_cleanup(void (*fn)(), int list);
void _VRN_register_cleanup_arg(void (*fn)(void*), void* arg, int list);
// Runs and forgets every registered clean-up: lists 0, 1, 2, 3, newest first
// within a list. A call while a run is under way does nothing.
void _VRN_run_cleanups();

}  // namespace dv_qem
