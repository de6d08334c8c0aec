// The import's two log files in the program folder: "tallyport2.log" gets
// one line per imported row of the runs whose work is in the working copy
// (it starts empty with each visit of the import page and loses the lines
// of a run that is undone); "Tallyport.Log" gets the failure lines at once,
// and at Finish the run lines followed by the whole of tallyport2.log,
// which is then deleted.
#pragma once

#include "fw_string.h"

class CImportLog {
 public:
  explicit CImportLog(const CString& programFolder);
  ~CImportLog();
  CImportLog(const CImportLog&) = delete;
  CImportLog& operator=(const CImportLog&) = delete;

  // Empties tallyport2.log: the working copy was made afresh.
  void StartVisit();
  // Opens tallyport2.log to append the lines of a run; FALSE when it
  // cannot be written.
  BOOL BeginRun();
  // Cuts tallyport2.log back to what it held before BeginRun.
  void DiscardRun();
  void WriteRowLine(const CString& text);
  // Appends "text\n" to Tallyport.Log now.
  void WriteFailure(const CString& text);
  // Appends runText and then tallyport2.log to Tallyport.Log and deletes
  // tallyport2.log.
  void MergeAtFinish(const CString& runText);

  CString ImportLogPath() const;
  CString RowLogPath() const;

 private:
  void CloseRowLog();

  CString folder_;
  FILE* rowLog_ = nullptr;
  long runStart_ = 0;  // length of tallyport2.log when the run began
};
