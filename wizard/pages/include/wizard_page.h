// What every page of the wizard shares: the sheet it belongs to, and the
// paint handler that sets the sheet's title from the page's caption.
#pragma once

#include "ctl_handlers.h"
#include "ctl_property_sheet.h"
#include "main_sheet.h"

class CWizardPage : public CPropertyPage {
 public:
  CWizardPage(UINT templateId, CMainSheet& sheet) : CPropertyPage(templateId), sheet_(sheet) {}
  CMainSheet& Sheet() const { return sheet_; }
  // The sheet's title: "Import Wizard - " and the page's caption.
  void OnPaint() override { sheet_.SetSheetTitle(*this); }

 private:
  CMainSheet& sheet_;
};
