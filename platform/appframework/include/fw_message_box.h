// Message boxes. Every box of the program goes through one installed
// implementation: the terminal front end shows it and asks, tests record it.
// A box is known by its string id, or by its text when it shows a literal.
#pragma once

#include <deque>
#include <vector>

#include "fw_string.h"

// Button sets and icons (the low bits pick the buttons).
enum : UINT {
  MB_OK = 0x00,
  MB_OKCANCEL = 0x01,
  MB_ABORTRETRYIGNORE = 0x02,
  MB_YESNOCANCEL = 0x03,
  MB_YESNO = 0x04,
  MB_RETRYCANCEL = 0x05,
  MB_TYPEMASK = 0x0F,
  MB_ICONHAND = 0x10,
  MB_ICONSTOP = 0x10,
  MB_ICONERROR = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONEXCLAMATION = 0x30,
  MB_ICONWARNING = 0x30,
  MB_ICONINFORMATION = 0x40,
  MB_ICONASTERISK = 0x40,
  MB_ICONMASK = 0xF0,
};

// The answer: the button chosen.
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

struct FwMessageBoxRequest {
  UINT stringId;  // string the text came from; 0 for a literal text
  CString text;   // the text shown (a loaded string after formatting)
  UINT type;      // MB_ buttons and icon
};

class FwMessageBoxes {
 public:
  virtual ~FwMessageBoxes() = default;
  // Shows the box and returns the button chosen (an ID value).
  virtual int Show(const FwMessageBoxRequest& request) = 0;
};

// Installs the implementation every box goes to and returns the previous
// one. With none installed a box is written to standard error and answered
// with its first button.
FwMessageBoxes* FwSetMessageBoxes(FwMessageBoxes* boxes);

// The first button of a button set (IDOK, IDABORT, IDYES or IDRETRY).
int FwFirstButton(UINT type);

// A box with a literal text.
int AfxMessageBox(LPCTSTR text, UINT type = MB_OK, UINT helpId = 0);
// A box with string id of the current language.
int AfxMessageBox(UINT stringId, UINT type = MB_OK, UINT helpId = static_cast<UINT>(-1));
// A box showing text that was made from string id (formatted with values).
int FwMessageBoxFromString(UINT stringId, const CString& text, UINT type = MB_OK);

// Records every box and answers from a queue of scripted answers; with the
// queue empty it answers the first button.
class FwRecordingMessageBoxes : public FwMessageBoxes {
 public:
  int Show(const FwMessageBoxRequest& request) override;
  void QueueAnswer(int answer) { answers_.push_back(answer); }

  std::vector<FwMessageBoxRequest> shown;

 private:
  std::deque<int> answers_;
};
