// The wizard's sheet made for a test in a scratch program folder (the
// shipped run-time data linked in, as for the shop model's tests), with
// scripted prompts installed, and the activation of one of its pages.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "ctl_prompts.h"
#include "main_sheet.h"
#include "shop_test_db.h"
#include "shop_test_program.h"

namespace pages_test {

class SheetTest : public ::testing::Test {
 protected:
  SheetTest() : previous_(FwSetPrompts(&prompts)) {
    shop_test::clear_shop_state();
    shop_test::install_program_folder(program.path());
  }
  ~SheetTest() override {
    FwSetPrompts(previous_);
    shop_test::clear_shop_state();
  }
  // Makes the sheet for source type with the page list of that type.
  void MakeSheet(int sourceType, DWORD appFlags = 0) {
    sheet = std::make_unique<CMainSheet>(appFlags);
    sheet->m_typDatabase = sourceType;
    sheet->RebuildPageList(sheet->GetPageListCount());
  }
  // Shows the page of dialog id and answers it as T.
  template <class T>
  T& Show(UINT id) {
    auto* page = dynamic_cast<T*>(sheet->FindPage(id));
    if (page == nullptr) throw std::runtime_error("no page " + std::to_string(id));
    sheet->SetActivePage(page);
    return *page;
  }

  FwScriptedPrompts prompts;
  shop_test::runtime runtime_;
  dv_test::scratch_dir program;
  dv_test::scratch_dir work;
  std::unique_ptr<CMainSheet> sheet;

 private:
  FwPrompts* previous_;
};

}  // namespace pages_test
