// The wizard's pages known to the sheet: each page class registers, by its
// dialog id, a function that makes the page for a sheet. The sheet makes
// every registered page when it is built and puts on its page list the
// ones its source type calls for.
#pragma once

#include <memory>
#include <vector>

#include "ctl_property_sheet.h"

class CMainSheet;

using WizardPageFactory = std::unique_ptr<CPropertyPage> (*)(CMainSheet& sheet);

// Registers (or replaces) the factory of the page of dialog dialogId.
void RegisterWizardPage(UINT dialogId, WizardPageFactory make);
// The dialog ids registered, in increasing order.
std::vector<UINT> RegisteredWizardPages();
// The factory of dialogId; null when none is registered.
WizardPageFactory FindWizardPageFactory(UINT dialogId);

// Registers page class T (constructed from the sheet) at static
// initialisation: `const WizardPageRegistration<CDbfetchDlg> registered(CDbfetchDlg::IDD);`
template <class T>
struct WizardPageRegistration {
  explicit WizardPageRegistration(UINT dialogId) {
    RegisterWizardPage(dialogId, [](CMainSheet& sheet) -> std::unique_ptr<CPropertyPage> {
      return std::make_unique<T>(sheet);
    });
  }
};
