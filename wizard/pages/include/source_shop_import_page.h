// The source-shop import page: makes a work copy of the target shop file
// chosen last each time it becomes active, migrates the chosen Quillon shop
// into the copy when "Start Import" is pressed (a second press starts again
// from the target), and puts the copy in the target's place at Finish.
// Cancel leaves the target as it was.
#pragma once

#include <memory>

#include "source_shop_records.h"
#include "tinted_edit.h"
#include "wizard_page.h"

class CShopSession;

class CSourceShopImportPage : public CWizardPage {
 public:
  enum : UINT {
    IDD = 198,
    IDC_HELP_TEXT = 21241,
    IDC_PROGRESS = 1189,
    IDC_START_IMPORT = 1185,
  };

  explicit CSourceShopImportPage(CMainSheet& sheet);
  ~CSourceShopImportPage() override;

  BOOL OnInitDialog() override;
  // Makes the work file from the sheet's target file; Finish is offered
  // once a migration of this visit is done.
  BOOL OnSetActive() override;
  LRESULT OnWizardBack() override;
  // Puts the work file in the target's place and remembers the source;
  // stays on the page when the copy fails.
  BOOL OnWizardFinish() override;
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnCmdMsg(UINT id, UINT code) override;

  // "Start Import": reads the chosen shop's tables, checks them and writes
  // them into the work file; a reading failure is reported and writes
  // nothing. After a done migration the work file is made again from the
  // target first. TRUE when the migration is done.
  BOOL ReadSourceShopTables();

  BOOL IsDone() const { return done_; }
  const CString& GetWorkPath() const { return workPath_; }
  const CString& GetTargetPath() const { return targetPath_; }
  const SourceShopTables& GetTables() const { return tables_; }

 private:
  // The work file from the sheet's target (a new shop without departments
  // when the target does not exist); no migration done in it yet.
  BOOL PrepareWorkFile();
  // The chosen shop's table folder, from the selection page.
  CString SourceFolder() const;
  void ShowProgress(int position);

  CTintedEdit helpText_;
  CProgressCtrl progress_;
  std::unique_ptr<CShopSession> session_;
  CString targetPath_;
  CString workPath_;
  SourceShopTables tables_;
  BOOL prepared_ = FALSE;  // the work file exists for the current target
  BOOL done_ = FALSE;
};
