// The tinted read-only text box that carries a page's instructions.
#pragma once

#include "ctl_controls.h"

class CTintedEdit : public CEdit {
 public:
  // Its background: a pale yellow.
  static constexpr DWORD kBackgroundColour = 0xDFFFFF;

  CTintedEdit() { SetReadOnly(TRUE); }
  // Sets the text to string id of the current language.
  void SetTextFromString(UINT id);

 protected:
  void ResetContents() override { SetReadOnly(TRUE); }
};
