// The import's two log files in the program folder: "tallyport2.log" gets
// one line per imported row and starts empty at each press of the add
// button; "Tallyport.Log" gets the failure lines at once, and at Finish the
// run lines followed by the whole of tallyport2.log, which is then deleted.
#pragma once

#include "fw_string.h"

class CImportLog {
 public:
  explicit CImportLog(const CString& programFolder);
  ~CImportLog();
  CImportLog(const CImportLog&) = delete;
  CImportLog& operator=(const CImportLog&) = delete;

  // Opens tallyport2.log empty; FALSE when it cannot be written.
  BOOL BeginRun();
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
};
