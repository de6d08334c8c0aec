// Object-store error messages in message boxes.
#include "error_box.h"

#include "dv_err.h"
#include "fw_message_box.h"

void ShowStoreErrorBox(const char* title, const char* text) { AfxMessageBox(text, MB_OK | MB_ICONSTOP); }

StoreErrorsInBoxes::StoreErrorsInBoxes() { dv_qem::_VRN_set_message_box(ShowStoreErrorBox); }

StoreErrorsInBoxes::~StoreErrorsInBoxes() { dv_qem::_VRN_set_message_box(nullptr); }
