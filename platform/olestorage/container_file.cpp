// Container files on disk: locked opens, checked reads, and whole-file
// replacement (write beside, fsync, rename over, fsync the directory).
#include "container_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "container_format.h"
#include "crc32.h"
#include "storage_names.h"

namespace dv_qem {

namespace {

constexpr std::size_t kCopyChunk = 1 << 20;  // bytes moved per read when copying a run
constexpr int kLockAttempts = 64;            // opens retried when the file is replaced meanwhile

// The result of a failed open or create.
HRESULT open_failure(int error_number) {
  switch (error_number) {
    case ENOENT:
    case ENOTDIR: return STG_E_FILENOTFOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY: return STG_E_ACCESSDENIED;
    case EEXIST: return STG_E_FILEALREADYEXISTS;
    case EMFILE:
    case ENFILE: return STG_E_TOOMANYOPENFILES;
    case ENOMEM: return STG_E_INSUFFICIENTMEMORY;
    case ENAMETOOLONG:
    case ELOOP: return STG_E_INVALIDNAME;
    case ENOSPC:
    case EDQUOT: return STG_E_MEDIUMFULL;
    default: return STG_E_READFAULT;
  }
}

// The result of a failed write, flush or rename.
HRESULT write_failure(int error_number) {
  switch (error_number) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return STG_E_MEDIUMFULL;
    case EACCES:
    case EPERM:
    case EROFS: return STG_E_ACCESSDENIED;
    default: return STG_E_WRITEFAULT;
  }
}

HRESULT read_exactly(int fd, void* buffer, std::size_t length, std::uint64_t offset) {
  auto* to = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < length) {
    ssize_t n = ::pread(fd, to + done, length - done, static_cast<off_t>(offset + done));
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n == 0 || errno != EINTR) {
      return STG_E_READFAULT;  // the end of the file came early, or an I/O error
    }
  }
  return S_OK;
}

HRESULT write_exactly(int fd, const void* buffer, std::size_t length, std::uint64_t offset) {
  const auto* from = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < length) {
    ssize_t n = ::pwrite(fd, from + done, length - done, static_cast<off_t>(offset + done));
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n == 0) {
      return STG_E_MEDIUMFULL;
    } else if (errno != EINTR) {
      return write_failure(errno);
    }
  }
  return S_OK;
}

HRESULT lock_without_waiting(int fd, int lock) {
  while (::flock(fd, lock | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) return STG_E_SHAREVIOLATION;
    if (errno != EINTR) return STG_E_LOCKVIOLATION;
  }
  return S_OK;
}

// Whether the header's own bytes are a container header of this version.
bool header_is_sound(const container_header& header) {
  return std::memcmp(header.magic, CONTAINER_MAGIC, sizeof header.magic) == 0 &&
         header.version == CONTAINER_VERSION &&
         header.header_crc == crc32_update(0, &header, CONTAINER_HEADER_CRC_SPAN);
}

// The name of a stored entry when it is NUL-padded and valid.
bool stored_name(const container_entry& entry, std::u16string* name) {
  char16_t units[CONTAINER_NAME_UNITS];
  std::memcpy(units, entry.name, sizeof units);
  if (units[CONTAINER_NAME_UNITS - 1] != u'\0') return false;
  std::size_t length = std::char_traits<char16_t>::length(units);
  for (std::size_t i = length; i < CONTAINER_NAME_UNITS; ++i)
    if (units[i] != u'\0') return false;
  return SUCCEEDED(check_stream_name(units, name));
}

std::string directory_of(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Copies run from one file to another at to_offset, checking its CRC.
HRESULT copy_run(int from, const stored_run& run, int to, std::uint64_t to_offset) {
  std::vector<std::uint8_t> chunk(static_cast<std::size_t>(std::min<std::uint64_t>(run.size, kCopyChunk)));
  std::uint32_t crc = 0;
  for (std::uint64_t done = 0; done < run.size;) {
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(run.size - done, kCopyChunk));
    HRESULT hr = read_exactly(from, chunk.data(), n, run.offset + done);
    if (FAILED(hr)) return hr;
    crc = crc32_update(crc, chunk.data(), n);
    hr = write_exactly(to, chunk.data(), n, to_offset + done);
    if (FAILED(hr)) return hr;
    done += n;
  }
  return crc == run.crc ? S_OK : STG_E_READFAULT;
}

// Writes the whole container into the new file fd.
HRESULT write_container(int fd, int old_fd, const std::vector<stream_to_write>& streams,
                        std::vector<stored_run>& runs) {
  std::uint64_t offset = CONTAINER_HEADER_SIZE + CONTAINER_ENTRY_SIZE * streams.size();
  std::vector<container_entry> entries(streams.size());
  for (std::size_t i = 0; i < streams.size(); ++i) {
    const stream_to_write& s = streams[i];
    stored_run& run = runs[i];
    run.offset = offset;
    if (s.image != nullptr) {
      run.size = s.image->size();
      run.crc = crc32_update(0, s.image->data(), s.image->size());
    } else {
      run.size = s.run.size;
      run.crc = s.run.crc;
    }
    offset += run.size;
    container_entry& entry = entries[i];
    std::memset(&entry, 0, sizeof entry);
    s.name->copy(entry.name, CONTAINER_NAME_UNITS - 1);
    entry.data_offset = run.offset;
    entry.size = run.size;
    entry.data_crc = run.crc;
  }

  container_header header;
  std::memset(&header, 0, sizeof header);
  std::memcpy(header.magic, CONTAINER_MAGIC, sizeof header.magic);
  header.version = CONTAINER_VERSION;
  header.stream_count = static_cast<std::uint32_t>(streams.size());
  header.file_size = offset;
  header.directory_crc = crc32_update(0, entries.data(), entries.size() * CONTAINER_ENTRY_SIZE);
  header.header_crc = crc32_update(0, &header, CONTAINER_HEADER_CRC_SPAN);

  HRESULT hr = write_exactly(fd, &header, sizeof header, 0);
  if (SUCCEEDED(hr))
    hr = write_exactly(fd, entries.data(), entries.size() * CONTAINER_ENTRY_SIZE, CONTAINER_HEADER_SIZE);
  for (std::size_t i = 0; i < streams.size() && SUCCEEDED(hr); ++i) {
    if (streams[i].image != nullptr)
      hr = write_exactly(fd, streams[i].image->data(), streams[i].image->size(), runs[i].offset);
    else
      hr = copy_run(old_fd, streams[i].run, fd, runs[i].offset);
  }
  if (SUCCEEDED(hr) && ::fsync(fd) != 0) hr = write_failure(errno);
  return hr;
}

}  // namespace

HRESULT open_locked(const std::string& path, int open_flags, mode_t create_mode, int lock,
                    int* fd) {
  for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
    int f;
    do {
      f = ::open(path.c_str(), open_flags | O_CLOEXEC, create_mode);
    } while (f < 0 && errno == EINTR);
    if (f < 0) return open_failure(errno);
    struct stat opened;
    if (::fstat(f, &opened) != 0 || !S_ISREG(opened.st_mode)) {
      ::close(f);
      return STG_E_ACCESSDENIED;
    }
    HRESULT hr = lock_without_waiting(f, lock);
    if (FAILED(hr)) {
      ::close(f);
      return hr;
    }
    // A writer replaces the file by renaming a new one over it; a lock on the
    // file the path named before that protects nothing, so open again.
    struct stat named;
    if (::stat(path.c_str(), &named) == 0 && named.st_dev == opened.st_dev &&
        named.st_ino == opened.st_ino) {
      *fd = f;
      return S_OK;
    }
    ::close(f);
  }
  return STG_E_SHAREVIOLATION;
}

HRESULT create_unique(const std::string& prefix, int lock, std::string* path, int* fd) {
  std::string name = prefix + "XXXXXX";
  int f = ::mkostemp(name.data(), O_CLOEXEC);
  if (f < 0) {
    HRESULT hr = open_failure(errno);
    return hr == STG_E_READFAULT ? STG_E_WRITEFAULT : hr;
  }
  HRESULT hr = lock_without_waiting(f, lock);
  if (FAILED(hr)) {
    ::close(f);
    ::unlink(name.c_str());
    return hr;
  }
  *path = std::move(name);
  *fd = f;
  return S_OK;
}

HRESULT read_directory(int fd, std::vector<stored_stream>* streams) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return STG_E_READFAULT;
  const std::uint64_t file_size = static_cast<std::uint64_t>(st.st_size);
  container_header header;
  if (file_size < sizeof header) return STG_E_FILEALREADYEXISTS;
  HRESULT hr = read_exactly(fd, &header, sizeof header, 0);
  if (FAILED(hr)) return hr;
  if (std::memcmp(header.magic, CONTAINER_MAGIC, sizeof header.magic) != 0 ||
      header.version != CONTAINER_VERSION)
    return STG_E_FILEALREADYEXISTS;
  if (!header_is_sound(header) || header.file_size != file_size ||
      header.stream_count > (file_size - CONTAINER_HEADER_SIZE) / CONTAINER_ENTRY_SIZE)
    return STG_E_READFAULT;

  const std::uint64_t directory_end =
      CONTAINER_HEADER_SIZE + std::uint64_t{CONTAINER_ENTRY_SIZE} * header.stream_count;
  std::vector<container_entry> entries(header.stream_count);
  hr = read_exactly(fd, entries.data(), entries.size() * CONTAINER_ENTRY_SIZE, CONTAINER_HEADER_SIZE);
  if (FAILED(hr)) return hr;
  if (crc32_update(0, entries.data(), entries.size() * CONTAINER_ENTRY_SIZE) != header.directory_crc)
    return STG_E_READFAULT;

  std::vector<stored_stream> result(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const container_entry& entry = entries[i];
    stored_stream& s = result[i];
    if (!stored_name(entry, &s.name) || (i > 0 && !(result[i - 1].name < s.name)))
      return STG_E_READFAULT;
    if (entry.data_offset < directory_end || entry.data_offset > file_size ||
        entry.size > file_size - entry.data_offset)
      return STG_E_READFAULT;
    s.run = stored_run{entry.data_offset, entry.size, entry.data_crc};
  }
  std::vector<stored_run> by_offset(result.size());
  std::transform(result.begin(), result.end(), by_offset.begin(),
                 [](const stored_stream& s) { return s.run; });
  std::sort(by_offset.begin(), by_offset.end(),
            [](const stored_run& a, const stored_run& b) { return a.offset < b.offset; });
  for (std::size_t i = 1; i < by_offset.size(); ++i)
    if (by_offset[i - 1].offset + by_offset[i - 1].size > by_offset[i].offset) return STG_E_READFAULT;

  *streams = std::move(result);
  return S_OK;
}

HRESULT read_run(int fd, const stored_run& run, std::vector<std::uint8_t>* bytes) {
  std::vector<std::uint8_t> data;
  if (run.size > data.max_size()) return STG_E_INSUFFICIENTMEMORY;
  data.resize(static_cast<std::size_t>(run.size));
  HRESULT hr = read_exactly(fd, data.data(), data.size(), run.offset);
  if (FAILED(hr)) return hr;
  if (crc32_update(0, data.data(), data.size()) != run.crc) return STG_E_READFAULT;
  *bytes = std::move(data);
  return S_OK;
}

HRESULT probe_container(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return open_failure(errno);
  struct stat st;
  container_header header;
  bool container = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                   static_cast<std::uint64_t>(st.st_size) >= sizeof header &&
                   SUCCEEDED(read_exactly(fd, &header, sizeof header, 0)) && header_is_sound(header);
  ::close(fd);
  return container ? S_OK : S_FALSE;
}

HRESULT replace_container(const std::string& path, int* fd, int lock,
                          const std::vector<stream_to_write>& streams,
                          std::vector<stored_run>* runs, bool* replaced) {
  *replaced = false;
  struct stat old_file;
  if (::fstat(*fd, &old_file) != 0) return STG_E_WRITEFAULT;
  std::string directory = directory_of(path);
  std::string base = path.substr(path.rfind('/') + 1);
  std::string temporary;
  int new_fd;
  HRESULT hr = create_unique(directory + "/." + base.substr(0, 64) + ".new-", lock, &temporary, &new_fd);
  if (FAILED(hr)) return hr;

  std::vector<stored_run> new_runs;
  try {
    new_runs.resize(streams.size());
    if (::fchmod(new_fd, old_file.st_mode & 07777) != 0) hr = write_failure(errno);
    if (SUCCEEDED(hr)) hr = write_container(new_fd, *fd, streams, new_runs);
  } catch (const std::bad_alloc&) {
    hr = STG_E_INSUFFICIENTMEMORY;
  }
  if (SUCCEEDED(hr) && ::rename(temporary.c_str(), path.c_str()) != 0) hr = write_failure(errno);
  if (FAILED(hr)) {
    ::close(new_fd);
    ::unlink(temporary.c_str());
    return hr;
  }
  // The rename reaches the disk with the directory; file systems that cannot
  // flush a directory say EINVAL and need not.
  int dir_fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd >= 0) {
    if (::fsync(dir_fd) != 0 && errno != EINVAL) hr = STG_E_WRITEFAULT;
    ::close(dir_fd);
  }
  ::close(*fd);
  *fd = new_fd;
  *runs = std::move(new_runs);
  *replaced = true;
  return hr;
}

void remove_if_same(const std::string& path, int fd) {
  struct stat named, opened;
  if (::stat(path.c_str(), &named) == 0 && ::fstat(fd, &opened) == 0 &&
      named.st_dev == opened.st_dev && named.st_ino == opened.st_ino)
    ::unlink(path.c_str());
}

}  // namespace dv_qem
