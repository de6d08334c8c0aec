// The registry of the wizard's page classes.
#include "wizard_page_registry.h"

#include <map>

namespace {
std::map<UINT, WizardPageFactory>& Registry() {
  static std::map<UINT, WizardPageFactory> registry;
  return registry;
}
}  // namespace

void RegisterWizardPage(UINT dialogId, WizardPageFactory make) { Registry()[dialogId] = make; }

std::vector<UINT> RegisteredWizardPages() {
  std::vector<UINT> ids;
  for (const auto& entry : Registry()) ids.push_back(entry.first);
  return ids;
}

WizardPageFactory FindWizardPageFactory(UINT dialogId) {
  auto found = Registry().find(dialogId);
  return found == Registry().end() ? nullptr : found->second;
}
