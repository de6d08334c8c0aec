// The import's log files.
#include "import_log.h"

#include <unistd.h>

#include <cstdio>

namespace {

void AppendTo(const CString& path, const char* text, size_t length) {
  if (FILE* f = std::fopen(path, "ab")) {
    std::fwrite(text, 1, length, f);
    std::fclose(f);
  }
}

}  // namespace

CImportLog::CImportLog(const CString& programFolder) : folder_(programFolder) {}

CImportLog::~CImportLog() { CloseRowLog(); }

CString CImportLog::ImportLogPath() const { return folder_ + "/Tallyport.Log"; }
CString CImportLog::RowLogPath() const { return folder_ + "/tallyport2.log"; }

void CImportLog::CloseRowLog() {
  if (rowLog_) std::fclose(rowLog_);
  rowLog_ = nullptr;
}

void CImportLog::StartVisit() {
  CloseRowLog();
  std::remove(RowLogPath());
  runStart_ = 0;
}

BOOL CImportLog::BeginRun() {
  CloseRowLog();
  rowLog_ = std::fopen(RowLogPath(), "ab");
  if (rowLog_ == nullptr) return FALSE;
  std::fseek(rowLog_, 0, SEEK_END);
  runStart_ = std::ftell(rowLog_);
  return TRUE;
}

void CImportLog::DiscardRun() {
  CloseRowLog();
  if (::truncate(RowLogPath(), runStart_) != 0) std::remove(RowLogPath());
}

void CImportLog::WriteRowLine(const CString& text) {
  if (rowLog_) std::fwrite(static_cast<LPCTSTR>(text), 1, static_cast<size_t>(text.GetLength()), rowLog_);
}

void CImportLog::WriteFailure(const CString& text) {
  const CString line = text + "\n";
  AppendTo(ImportLogPath(), line, static_cast<size_t>(line.GetLength()));
}

void CImportLog::MergeAtFinish(const CString& runText) {
  CloseRowLog();
  FILE* out = std::fopen(ImportLogPath(), "ab");
  if (out == nullptr) return;
  std::fwrite(static_cast<LPCTSTR>(runText), 1, static_cast<size_t>(runText.GetLength()), out);
  if (FILE* rows = std::fopen(RowLogPath(), "rb")) {
    char block[4096];
    for (size_t got; (got = std::fread(block, 1, sizeof block, rows)) > 0;) std::fwrite(block, 1, got, out);
    std::fclose(rows);
  }
  std::fclose(out);
  std::remove(RowLogPath());
}
