// Message boxes: the installed implementation and the recording one.
#include "fw_message_box.h"

#include <cstdio>

namespace {
FwMessageBoxes* installed_boxes = nullptr;
}

FwMessageBoxes* FwSetMessageBoxes(FwMessageBoxes* boxes) {
  FwMessageBoxes* previous = installed_boxes;
  installed_boxes = boxes;
  return previous;
}

int FwFirstButton(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_ABORTRETRYIGNORE: return IDABORT;
    case MB_YESNOCANCEL:
    case MB_YESNO: return IDYES;
    case MB_RETRYCANCEL: return IDRETRY;
    default: return IDOK;
  }
}

static int show(const FwMessageBoxRequest& request) {
  if (installed_boxes != nullptr) return installed_boxes->Show(request);
  std::fprintf(stderr, "%s\n", static_cast<LPCTSTR>(request.text));
  return FwFirstButton(request.type);
}

int AfxMessageBox(LPCTSTR text, UINT type, UINT) { return show({0, CString(text), type}); }

int AfxMessageBox(UINT stringId, UINT type, UINT) {
  CString text;
  text.LoadString(stringId);
  return show({stringId, text, type});
}

int FwMessageBoxFromString(UINT stringId, const CString& text, UINT type) {
  return show({stringId, text, type});
}

int FwRecordingMessageBoxes::Show(const FwMessageBoxRequest& request) {
  shown.push_back(request);
  if (answers_.empty()) return FwFirstButton(request.type);
  int answer = answers_.front();
  answers_.pop_front();
  return answer;
}
