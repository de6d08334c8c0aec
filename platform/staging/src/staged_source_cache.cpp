// Staged copies of file sources, cached for the process.
#include "staged_source_cache.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>

#include "odbc_errors.h"
#include "reading_child.h"
#include "source_staging.h"

namespace {

namespace fs = std::filesystem;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// What tells a changed file: its modification time and size (all zero
// when it does not exist).
struct FileStamp {
  long long seconds = 0, nanoseconds = 0, size = 0;
  bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const std::string& path) {
  struct stat info;
  FileStamp stamp;
  if (::stat(path.c_str(), &info) != 0) return stamp;
  stamp.seconds = info.st_mtim.tv_sec;
  stamp.nanoseconds = info.st_mtim.tv_nsec;
  stamp.size = info.st_size;
  return stamp;
}

SourceFileKind FileKindOf(ConnectionKind kind) {
  switch (kind) {
    case ConnectionKind::Excel: return SourceFileKind::Excel;
    case ConnectionKind::DBase: return SourceFileKind::DBase;
    case ConnectionKind::Paradox: return SourceFileKind::Paradox;
    default: return SourceFileKind::Text;
  }
}

StagingProgressHandler& ProgressHandler() {
  static StagingProgressHandler handler;
  return handler;
}

// How long a reading child may go without a sign of progress (it reports
// every kStagingProgressRows rows) before it is taken for hung: the set
// limit, and 10 s more per MiB of the files it reads (a library may parse
// a whole workbook before the first row).
int& IdleLimitSeconds() {
  static int seconds = 60;
  return seconds;
}

int IdleLimitFor(long long bytes) { return IdleLimitSeconds() + static_cast<int>(bytes >> 20) * 10; }

// The names of a list in one text for the way back from a reading child.
std::string JoinNames(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += name + '\0';
  return text;
}

std::vector<std::string> SplitNames(const std::string& text) {
  std::vector<std::string> names;
  for (size_t at = 0, end; (end = text.find('\0', at)) != std::string::npos; at = end + 1)
    names.push_back(text.substr(at, end - at));
  return names;
}

[[noreturn]] void ThrowSourceError(const std::exception& error) {
  AfxThrowDBExceptionText(AFX_SQL_ERROR_SOURCE_FILE, error.what(), "HY000");
}

class StagedSource : public StagedConnection {
 public:
  StagedSource(const SourceConnectionSpec& spec, std::string sqlitePath)
      : spec_(spec), sqlitePath_(std::move(sqlitePath)) {
    options_.delimiter = spec.delimiter;
    options_.columnNamesInHeader = spec.columnNamesInHeader;
    options_.ansiCharacterSet = spec.ansiCharacterSet;
  }
  ~StagedSource() override {
    std::error_code ignored;
    fs::remove(sqlitePath_, ignored);
  }

  const std::string& SqlitePath() const override { return sqlitePath_; }

  // A workbook is listed by the spreadsheet library, in a reading child,
  // once per change of the file; the other kinds list their folder.
  std::vector<std::string> Catalogue() override {
    const SourceFileKind kind = FileKindOf(spec_.kind);
    try {
      if (kind != SourceFileKind::Excel) return ListSourceTables(kind, spec_.source);
      std::lock_guard<std::mutex> hold(mutex_);
      const FileStamp stamp = StampOf(spec_.source);
      if (!listed_ || !(listedStamp_ == stamp)) {
        listed_ = false;
        const std::string names = ReadInChild(
            spec_.source, [&](const StagingProgress&) { return JoinNames(ListSourceTables(kind, spec_.source)); },
            {}, IdleLimitFor(stamp.size));
        tables_ = SplitNames(names);
        listedStamp_ = stamp;
        listed_ = true;
      }
      return tables_;
    } catch (const std::exception& error) {
      ThrowSourceError(error);
    }
  }

  void PrepareStatement(const CString& sql) override {
    const std::string text(sql);
    for (const std::string& table : Catalogue())
      if (SqlNamesTable(text, table)) Stage(table);
  }

 private:
  // The files a table's rows come from, whose change makes it stale.
  std::vector<std::string> FilesOf(const std::string& table) const {
    switch (spec_.kind) {
      case ConnectionKind::Excel: return {spec_.source};
      case ConnectionKind::Text: return {spec_.source + "/" + table, spec_.source + "/schema.ini"};
      default: break;
    }
    // dBase and Paradox: the table's files in any letter case (table,
    // memo and index files share the base name).
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(spec_.source, error))
      if (Lower(entry.path().stem().string()) == Lower(table)) files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
  }

  std::vector<FileStamp> StampsOf(const std::string& table) const {
    std::vector<FileStamp> stamps;
    for (const std::string& file : FilesOf(table)) stamps.push_back(StampOf(file));
    return stamps;
  }

  // The file a table is read from, as errors name it.
  std::string FileOf(const std::string& table) const {
    if (spec_.kind == ConnectionKind::Excel) return spec_.source;
    const std::vector<std::string> files = FilesOf(table);
    if (spec_.kind != ConnectionKind::Text && !files.empty()) {
      const char* extension = spec_.kind == ConnectionKind::DBase ? ".dbf" : ".db";
      for (const std::string& file : files)
        if (Lower(fs::path(file).extension().string()) == extension) return file;
    }
    return (fs::path(spec_.source) / table).string();
  }

  // The table is staged by a reading child into the staged file, in one
  // SQLite transaction (invariant 3 of the readers): a child that dies
  // half-way leaves its journal, which the next opening of the file rolls
  // back, so no part of the table is ever read.
  void Stage(const std::string& table) {
    std::lock_guard<std::mutex> hold(mutex_);
    std::vector<FileStamp> stamps = StampsOf(table);
    auto found = staged_.find(table);
    if (found != staged_.end() && found->second == stamps) return;
    // Every format spends at least a byte on a row: a reading that reports
    // more rows than its files hold bytes is looping and is stopped.
    long long bytes = 0;
    for (const FileStamp& stamp : stamps) bytes += stamp.size;
    const std::string file = FileOf(table);
    const StagingProgress progress = [&](long rows) {
      if (rows > bytes)
        throw SourceFileError(file + ": cannot read this file: the reading gave " + std::to_string(rows) +
                              " rows, more than its files hold bytes (" + std::to_string(bytes) + "), and was stopped");
      if (ProgressHandler()) ProgressHandler()(table, rows);
    };
    try {
      const SourceFileKind kind = FileKindOf(spec_.kind);
      ReadInChild(
          file,
          [&](const StagingProgress& childProgress) {
            StageSourceTable(sqlitePath_, kind, spec_.source, table, options_, childProgress);
            return std::string();
          },
          progress, IdleLimitFor(bytes));
    } catch (const std::exception& error) {
      staged_.erase(table);
      ThrowSourceError(error);
    }
    staged_[table] = stamps;
  }

  SourceConnectionSpec spec_;
  TextFormatOptions options_;
  std::string sqlitePath_;
  std::mutex mutex_;
  std::map<std::string, std::vector<FileStamp>> staged_;
  // A workbook's sheets, as listed when it had listedStamp_.
  bool listed_ = false;
  FileStamp listedStamp_;
  std::vector<std::string> tables_;
};

// The staged sources of the process by their key; the cache's end (at
// exit) deletes their files once no connection holds them.
class StagedSourceCache {
 public:
  std::shared_ptr<StagedConnection> Open(const SourceConnectionSpec& spec) {
    std::lock_guard<std::mutex> hold(mutex_);
    std::string key = KeyOf(spec);
    auto found = sources_.find(key);
    if (found != sources_.end()) return found->second;
    std::string path = MakeStagedFile();
    auto source = std::make_shared<StagedSource>(spec, path);
    sources_[key] = source;
    return source;
  }

 private:
  static std::string KeyOf(const SourceConnectionSpec& spec) {
    return std::to_string(static_cast<int>(spec.kind)) + "|" + spec.source + "|" +
           std::to_string(static_cast<int>(static_cast<unsigned char>(spec.delimiter))) + "|" +
           (spec.columnNamesInHeader ? "1" : "0") + (spec.ansiCharacterSet ? "1" : "0");
  }

  // A new staged file, readable by its owner only (it holds a whole
  // source): "tallyport-staged-<pid>-<n>.sqlite" in the temporary folder,
  // made by exclusive creation; SQLite takes the empty file as an empty
  // database and gives its journal the file's mode. The first one made
  // removes the staged files of runs no longer alive.
  std::string MakeStagedFile() {
    const fs::path folder = fs::temp_directory_path();
    if (made_ == 0) RemoveDeadRunsStagedFiles(folder);
    for (;;) {
      const std::string path =
          (folder / (kStagedPrefix + std::to_string(::getpid()) + "-" + std::to_string(++made_) + ".sqlite")).string();
      const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
      if (fd >= 0) {
        ::close(fd);
        return path;
      }
      if (errno != EEXIST) {
        AfxThrowDBExceptionText(AFX_SQL_ERROR_SOURCE_FILE,
                                ("cannot make the staged file " + path + ": " + std::strerror(errno)).c_str(), "HY000");
      }
    }
  }

  // The staged files (and journals) whose process has ended: a killed run
  // leaves its copies of the sources behind.
  static void RemoveDeadRunsStagedFiles(const fs::path& folder) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(kStagedPrefix, 0) != 0) continue;
      char* end = nullptr;
      const long pid = std::strtol(name.c_str() + std::strlen(kStagedPrefix), &end, 10);
      if (pid <= 0 || end == nullptr || *end != '-' || pid == ::getpid()) continue;
      if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;  // alive, or not ours to judge
      std::error_code ignored;
      fs::remove(entry.path(), ignored);
    }
  }

  static constexpr const char* kStagedPrefix = "tallyport-staged-";

  std::mutex mutex_;
  std::map<std::string, std::shared_ptr<StagedSource>> sources_;
  unsigned made_ = 0;
};

StagedSourceCache& Cache() {
  static StagedSourceCache cache;
  return cache;
}

bool IsNameCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '.' || c == '#' ||
         (static_cast<unsigned char>(c) & 0x80) != 0;
}

}  // namespace

std::shared_ptr<StagedConnection> OpenStagedSource(const SourceConnectionSpec& spec) {
  auto source = Cache().Open(spec);
  source->Catalogue();  // a source that cannot be listed fails here, at connect
  return source;
}

bool SqlNamesTable(const std::string& sql, const std::string& table) {
  if (table.empty()) return false;
  const std::string text = Lower(sql), name = Lower(table);
  // Quoted as an identifier, its quote doubled inside.
  for (const auto& [open, close] : {std::pair{'"', '"'}, std::pair{'`', '`'}, std::pair{'[', ']'}}) {
    std::string quoted(1, open);
    for (char c : name) {
      quoted += c;
      if (c == close) quoted += close;
    }
    quoted += close;
    if (text.find(quoted) != std::string::npos) return true;
  }
  for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
    const char before = at == 0 ? ' ' : text[at - 1];
    const size_t end = at + name.size();
    const char after = end < text.size() ? text[end] : ' ';
    if ((before == '[' && after == ']') || (before == '"' && after == '"') || (before == '`' && after == '`'))
      return true;
    // Inside a bracketed name only the whole name counts.
    const size_t bracket = text.find_last_of("[]", at);
    const bool bracketed = bracket != std::string::npos && text[bracket] == '[';
    if (!bracketed && !IsNameCharacter(before) && !IsNameCharacter(after)) return true;
  }
  return false;
}

void SetStagingProgressHandler(StagingProgressHandler handler) { ProgressHandler() = std::move(handler); }

void SetStagingIdleLimit(int seconds) { IdleLimitSeconds() = seconds > 0 ? seconds : 1; }

namespace {

// Loading the library makes file sources open through the staging.
const bool kOpenerInstalled = (SetStagedSourceOpener(&OpenStagedSource), true);

}  // namespace
