// What the two documents (CQEMDocument, CQEMOleDocument) share: the size of
// a new document's database, the report of a failed open or save, and
// closing without throwing.
#pragma once

#include "durnavel.h"
#include "fw_document.h"

namespace qem_document_support {

// Address range of a new document's database, in MiB.
constexpr unsigned kNewDatabaseMegabytes = 8;

// Reports a failed open or save the framework's way: a file exception of
// generic cause, shown with the prompt promptId for path.
inline void report_failure(CDocument& document, LPCTSTR path, BOOL saving, UINT promptId) {
  CFileException error(CFileException::generic, -1, path);
  document.ReportSaveLoadException(path, &error, saving, promptId);
}

// Runs close (a document's CloseDatabase); an error it raises is printed,
// never thrown, so destructors and OnCloseDocument always finish. The
// caller holds a fault guard.
template <class F>
void close_printing_failure(F close) {
  try {
    close();
  } catch (const dv_qem::dv_err& error) {
    error.print();
  }
}

}  // namespace qem_document_support
