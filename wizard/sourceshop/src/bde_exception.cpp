// The reader's exception and its texts.
#include "bde_exception.h"

#include <cstring>
#include <iterator>

#include "paradox_engine.h"

IMPLEMENT_DYNAMIC(CBdeException, CException)

namespace {

const char* const kAppErrorTexts[] = {
    "Incompatible data types.  Field can not be read from or written to as an integer.",
    "Incompatible data types.  Field can not be read from or written to as a floating point value.",
    "Incompatible data types.  Field can not be read from or written to as a date.",
    "Incompatible data types.  Field can not be read from or written to as a string.",
    "The specified field does not exist in the current table.",
    "This operation can only be performed on a table in 'Edit' mode.  The current table is not in edit mode.",
    "This operation can not be performed on a table in 'Edit' mode.  The current table is currently in edit mode.",
    "The table is closed or has not been associated with a database or table file.  This operation can not be "
    "performed on a closed table.",
    "The table is currently is open.  This operation can not be performed on an open table.",
    "This application has not initialized the Borland Database Engine.",
    "Unrecognized or invalid date or time format.  The application could not translate the specified value to a "
    "date or time.",
    "The field is a data type that is not supported by this application,",
    "The blob field contains a data type that is not supported by this application,",
    "Incompatible data types.  Field can not be read from or written to as a logical (true/false) value.",
    "Invalid field index.  The specified field number oes not exist in the current table.",
    "Invalid field name.  The specified field does not exist in the current table.",
};
static_assert(std::size(kAppErrorTexts) == kBdeAppBadFieldName);

constexpr char kUnspecified[] = "Unspecified Illegal Borland Database Operation";

CString OrUnknown(const CString& text) { return text.IsEmpty() ? CString("Unknown") : text; }

}  // namespace

CString GetBdeAppErrorText(int appError) {
  if (appError < 1 || appError > static_cast<int>(std::size(kAppErrorTexts))) return CString();
  return kAppErrorTexts[appError - 1];
}

CString GetBdeEngineErrorText(unsigned short engineError) {
  dvparadox::ErrorInfo info{};
  dvparadox::GetErrorInfo(&info);
  CString text;
  if (info.code == engineError) {
    text = info.text;
    for (const char* context : info.context) {
      if (!*context) continue;
      CString line;
      line.Format("%s\r\n    %s", static_cast<LPCTSTR>(text), context);
      text = line;
    }
    return text;
  }
  char codeText[dvparadox::kMaxMessageLength];
  dvparadox::GetErrorText(engineError, codeText);
  return codeText;
}

CBdeException::CBdeException(unsigned short engineError)
    : CBdeException(engineError, kBdeAppNone, nullptr, nullptr, nullptr) {}

CBdeException::CBdeException(unsigned short engineError, LPCTSTR table, LPCTSTR database, LPCTSTR message)
    : CBdeException(engineError, kBdeAppNone, table, database, message) {}

CBdeException::CBdeException(unsigned short engineError, int appError, LPCTSTR table, LPCTSTR database,
                             LPCTSTR message)
    : m_nEngineError(engineError), m_nAppError(appError), m_strTable(table), m_strDatabase(database) {
  m_strMessage.Format("%s", message && *message ? message : kUnspecified);
  if (engineError != 0) m_strEngineText = GetBdeEngineErrorText(engineError);
}

CString CBdeException::GetShortText() const {
  if (m_nAppError != kBdeAppNone) return GetBdeAppErrorText(m_nAppError);
  CString text;
  text.Format("%s", static_cast<LPCTSTR>(m_strEngineText));
  return text;
}

CString CBdeException::GetFullText() const {
  CString text;
  text.Format("%s\n\nTable:      %s\nDatabase:    %s\n\nBorland Database Engine returned the following error:\n%s",
              static_cast<LPCTSTR>(m_strMessage), static_cast<LPCTSTR>(OrUnknown(m_strTable)),
              static_cast<LPCTSTR>(OrUnknown(m_strDatabase)), static_cast<LPCTSTR>(GetShortText()));
  return text;
}

BOOL CBdeException::GetErrorMessage(LPTSTR buffer, UINT maxLength, UINT*) {
  if (buffer == nullptr || maxLength == 0) return TRUE;
  CString text = GetShortText();
  UINT length = static_cast<UINT>(text.GetLength());
  if (length >= maxLength) length = maxLength - 1;
  std::memcpy(buffer, static_cast<LPCTSTR>(text), length);
  buffer[length] = '\0';
  return TRUE;
}

int CBdeException::ReportError(UINT type, UINT messageId) {
  if (messageId == 0) return AfxMessageBox(GetFullText(), MB_ICONERROR);
  CString lead;
  if (!lead.LoadString(messageId)) return AfxMessageBox(GetFullText(), type);
  return FwMessageBoxFromString(messageId, lead + "\n\n" + GetFullText(), MB_ICONERROR);
}
