// Structured storage: a container file that holds named byte streams, reached
// through reference-counted storage and stream interfaces. A database can live
// in one stream of a container; documents create and open containers.
//
// Objects are freed only through Release. Every call answers an HRESULT; on a
// failure an out-pointer is set to null and nothing was changed unless the
// contract says otherwise. A storage and its streams may be used from several
// threads; each call is atomic with respect to the others of that storage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dv_qem {

// ---- result codes -----------------------------------------------------------
using HRESULT = std::int32_t;  // negative: failure
using ULONG = std::uint32_t;
using DWORD = std::uint32_t;

constexpr HRESULT hresult_of(std::uint32_t bits) { return static_cast<HRESULT>(bits); }

constexpr HRESULT S_OK = 0;                                              // success
constexpr HRESULT S_FALSE = 1;                                           // success, answer "no"
constexpr HRESULT E_NOINTERFACE = hresult_of(0x80004002);                // interface not offered
constexpr HRESULT E_POINTER = hresult_of(0x80004003);                    // null out-pointer
constexpr HRESULT E_OUTOFMEMORY = hresult_of(0x8007000E);                // allocation failed
constexpr HRESULT STG_E_INVALIDFUNCTION = hresult_of(0x80030001);        // bad seek or call
constexpr HRESULT STG_E_FILENOTFOUND = hresult_of(0x80030002);           // no such file or stream
constexpr HRESULT STG_E_TOOMANYOPENFILES = hresult_of(0x80030004);       // out of descriptors
constexpr HRESULT STG_E_ACCESSDENIED = hresult_of(0x80030005);           // mode or permission forbids
constexpr HRESULT STG_E_INSUFFICIENTMEMORY = hresult_of(0x80030008);     // stream image too big
constexpr HRESULT STG_E_INVALIDPOINTER = hresult_of(0x80030009);         // null argument pointer
constexpr HRESULT STG_E_WRITEFAULT = hresult_of(0x8003001D);             // the file could not be written
constexpr HRESULT STG_E_READFAULT = hresult_of(0x8003001E);              // unreadable or damaged container
constexpr HRESULT STG_E_SHAREVIOLATION = hresult_of(0x80030020);         // another opener holds the file
constexpr HRESULT STG_E_LOCKVIOLATION = hresult_of(0x80030021);          // the file lock could not be taken
constexpr HRESULT STG_E_FILEALREADYEXISTS = hresult_of(0x80030050);      // name taken, or file not a container
constexpr HRESULT STG_E_INVALIDPARAMETER = hresult_of(0x80030057);       // reserved argument not 0/null
constexpr HRESULT STG_E_MEDIUMFULL = hresult_of(0x80030070);             // device full or file too big
constexpr HRESULT STG_E_INVALIDNAME = hresult_of(0x800300FC);            // bad stream name or path
constexpr HRESULT STG_E_INVALIDFLAG = hresult_of(0x800300FF);            // mode bits not allowed here
constexpr HRESULT STG_E_REVERTED = hresult_of(0x80030102);               // stream dropped by Revert

constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }

// ---- mode bits ----------------------------------------------------------------
// Access (low two bits), share (one of the two share bits) and options.
constexpr DWORD STGM_READ = 0;                     // read only
constexpr DWORD STGM_WRITE = 1;                    // write only
constexpr DWORD STGM_READWRITE = 2;                // read and write
constexpr DWORD STGM_SHARE_EXCLUSIVE = 0x10;       // no other opener at all
constexpr DWORD STGM_SHARE_DENY_WRITE = 0x20;      // other readers only
constexpr DWORD STGM_CREATE = 0x1000;              // replace what exists under the name
constexpr DWORD STGM_TRANSACTED = 0x10000;         // changes reach the file only on Commit
constexpr DWORD STGM_DELETEONRELEASE = 0x04000000; // the file is deleted at the last Release

constexpr DWORD STGC_DEFAULT = 0;  // the only Commit flag

constexpr DWORD STREAM_SEEK_SET = 0;  // Seek from the start
constexpr DWORD STREAM_SEEK_CUR = 1;  // Seek from the current position
constexpr DWORD STREAM_SEEK_END = 2;  // Seek from the end

constexpr std::size_t STREAM_NAME_MAX = 31;  // characters of a stream name, NUL not counted

// ---- interfaces ---------------------------------------------------------------
// An interface identifier. The values below are this layer's own.
struct IID {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
};
constexpr bool operator==(const IID& a, const IID& b) {
  for (int i = 0; i < 8; ++i)
    if (a.data4[i] != b.data4[i]) return false;
  return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3;
}

inline constexpr IID IID_IUnknown = {0x64760001, 0x5354, 0x4f52, {0x8a, 0x11, 0, 0, 0, 0, 0, 1}};
inline constexpr IID IID_IStorage = {0x64760002, 0x5354, 0x4f52, {0x8a, 0x11, 0, 0, 0, 0, 0, 2}};
inline constexpr IID IID_IStream = {0x64760003, 0x5354, 0x4f52, {0x8a, 0x11, 0, 0, 0, 0, 0, 3}};

class IUnknown {
 public:
  // A known iid: *out = that interface with one more reference, S_OK; else
  // *out = null and E_NOINTERFACE; out null: E_POINTER. Asking any interface
  // of one object for IID_IUnknown always gives the same pointer (identity).
  virtual HRESULT QueryInterface(const IID& iid, void** out) = 0;
  // One more reference; answers the new count.
  virtual ULONG AddRef() = 0;
  // One reference less; at 0 the object is freed. Answers the new count.
  virtual ULONG Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

// What Stat tells about a stream.
struct dv_stream_stat {
  char16_t name[STREAM_NAME_MAX + 1];  // NUL-terminated
  std::uint64_t size;                  // bytes
  DWORD mode;                          // the mode it was opened with
};

// A stream: a byte array with a position, held in memory while open. A stream
// keeps its storage alive. After the storage's Revert every call but Release
// answers STG_E_REVERTED.
class IStream : public IUnknown {
 public:
  // Copies up to count bytes from the position on, advances the position; S_OK
  // also at the end (*read tells how many; read may be null). Needs read access.
  virtual HRESULT Read(void* buffer, ULONG count, ULONG* read) = 0;
  // Writes count bytes at the position (a gap past the end reads as zeros;
  // count 0 changes nothing), advances it. Needs write access. Past the
  // largest stream memory can hold: STG_E_MEDIUMFULL; memory exhausted:
  // STG_E_INSUFFICIENTMEMORY.
  virtual HRESULT Write(const void* buffer, ULONG count, ULONG* written) = 0;
  // Moves the position by move from origin (STREAM_SEEK_*); a position before
  // 0 or a bad origin: STG_E_INVALIDFUNCTION. new_position may be null.
  virtual HRESULT Seek(std::int64_t move, DWORD origin, std::uint64_t* new_position) = 0;
  // Cuts or zero-extends the stream; the position stays. Needs write access.
  virtual HRESULT SetSize(std::uint64_t size) = 0;
  // Direct storage: writes the whole container to its file when anything
  // changed. Transacted storage: nothing (the storage's Commit does it).
  // flags: STGC_DEFAULT.
  virtual HRESULT Commit(DWORD flags) = 0;
  // Name, size and mode of the stream.
  virtual HRESULT Stat(dv_stream_stat* out) = 0;
};

// A storage: a flat set of named streams. A name is 1..31 UTF-16 units,
// well-formed, without '/', '\\', ':' or '!', compared exactly. Stream modes are an access
// bit pair with STGM_SHARE_EXCLUSIVE (STGM_CREATE also for CreateStream); a
// stream is open at most once at a time (a second open: STG_E_ACCESSDENIED).
class IStorage : public IUnknown {
 public:
  // Creates an empty stream and opens it. An existing name: STGM_CREATE
  // replaces it, else STG_E_FILEALREADYEXISTS. Needs a writable storage.
  virtual HRESULT CreateStream(const char16_t* name, DWORD mode, DWORD reserved1,
                               DWORD reserved2, IStream** out) = 0;
  // Opens an existing stream (missing: STG_E_FILENOTFOUND), reading it into
  // memory; write access needs a writable storage. reserved1 must be null.
  virtual HRESULT OpenStream(const char16_t* name, void* reserved1, DWORD mode, DWORD reserved2,
                             IStream** out) = 0;
  // Removes a closed stream (open: STG_E_ACCESSDENIED; missing: STG_E_FILENOTFOUND).
  virtual HRESULT DestroyElement(const char16_t* name) = 0;
  // Writes the whole container to its file (crash-safe: a new file replaces
  // the old one); on failure the file keeps its previous contents.
  virtual HRESULT Commit(DWORD flags) = 0;
  // Transacted storage: drops every change since the last Commit; open
  // streams become reverted. Direct storage: nothing.
  virtual HRESULT Revert() = 0;
  // The stream names, sorted.
  virtual HRESULT ListStreams(std::vector<std::u16string>* names) = 0;
  // The container file's path as given (empty for an in-memory storage).
  virtual HRESULT GetFilePath(std::u16string* path) = 0;
};

// ---- container files ------------------------------------------------------------
// Creates a container with no streams and writes it at once. A null path
// makes a new file in the temporary directory. An existing file: STGM_CREATE
// replaces it (unless another opener holds it), else STG_E_FILEALREADYEXISTS.
// mode needs write access; STGM_DELETEONRELEASE deletes the file at the last
// Release. A direct (non-transacted) storage also writes at its last Release.
HRESULT StgCreateDocfile(const char16_t* path, DWORD mode, DWORD reserved, IStorage** out);
HRESULT StgCreateDocfile(const char* utf8_path, DWORD mode, DWORD reserved, IStorage** out);
HRESULT StgCreateDocfile(std::nullptr_t, DWORD mode, DWORD reserved, IStorage** out);

// Opens an existing container. Missing: STG_E_FILENOTFOUND; not a container:
// STG_E_FILEALREADYEXISTS; damaged: STG_E_READFAULT. Locks: an open for write
// or with STGM_SHARE_EXCLUSIVE is alone, a read-only STGM_SHARE_DENY_WRITE
// open shares with other such opens; a conflict: STG_E_SHAREVIOLATION.
// priority and snb must be null, reserved 0.
HRESULT StgOpenStorage(const char16_t* path, IStorage* priority, DWORD mode, void* snb,
                       DWORD reserved, IStorage** out);
HRESULT StgOpenStorage(const char* utf8_path, IStorage* priority, DWORD mode, void* snb,
                       DWORD reserved, IStorage** out);

// S_OK: the file is a container; S_FALSE: another file; STG_E_FILENOTFOUND:
// no such file.
HRESULT StgIsStorageFile(const char16_t* path);
HRESULT StgIsStorageFile(const char* utf8_path);

// ---- in-memory storage for tests ---------------------------------------------------
// Failures to inject into the streams of an in-memory storage. The storage
// counts every IStream Read, Write and Commit of its streams here; the call
// whose count equals fail_*_at (1-based; 0 never) fails with result and does
// nothing, and with keep_failing every later call of that kind fails too.
struct dv_storage_faults {
  ULONG fail_read_at = 0;
  ULONG fail_write_at = 0;
  ULONG fail_commit_at = 0;
  HRESULT result = STG_E_MEDIUMFULL;
  bool keep_failing = false;
  ULONG reads = 0;    // Read calls so far
  ULONG writes = 0;   // Write calls so far
  ULONG commits = 0;  // IStream::Commit calls so far
};

// A read-write direct storage with no file: Commit and Revert do nothing.
// faults may be null; else it must outlive the storage and may be changed
// between calls.
HRESULT dv_create_memory_storage(IStorage** out, dv_storage_faults* faults = nullptr);

// Storage and stream objects not yet freed (for leak checks).
ULONG dv_olestorage_live_objects();

}  // namespace dv_qem
