// The source-shop selection page: finds the installed Quillon product from
// its uninstall entry, lists the shops in its folder (or in a folder the
// user browses to), and on Next sets the sheet up for the migration of the
// chosen shop. The table engine runs from the page's construction to its
// destruction.
#pragma once

#include "fw_collections.h"
#include "tinted_edit.h"
#include "wizard_page.h"

class CSourceShopSelPage : public CWizardPage {
 public:
  enum : UINT {
    IDD = 20014,
    IDC_SHOP_LIST = 1190,
    IDC_INSTALL_FOLDER = 1191,
    IDC_HELP_TEXT = 21241,
    IDC_BROWSE = 21114,
  };

  explicit CSourceShopSelPage(CMainSheet& sheet);
  ~CSourceShopSelPage() override;

  // Finds the installation and lists its shops; 61534 when there is none.
  BOOL OnInitDialog() override;
  // The sheet's source type becomes the Quillon shop's, with no options.
  BOOL OnSetActive() override;
  // Stays without a chosen shop; sets the sheet's table filter, mapping
  // file, connection string and source file in every case.
  LRESULT OnWizardNext() override;
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnCmdMsg(UINT id, UINT code) override;

  // The chosen shop's table folder ("<shop>/db/"); empty while none is chosen.
  const CString& GetSelectedShopPath() const { return selectedShopPath_; }
  const CString& GetInstallFolder() const { return installFolder_; }
  const CStringArray& GetShopNames() const { return shopNames_; }

 private:
  // Lists the shops of the installation folder; TRUE when one was found.
  BOOL FillShopList();
  void OnShopSelChange();
  void OnBrowse();
  // The table folder of the shop selected in the list; empty when none.
  CString SelectedTablesFolder();

  CListBox shopList_;
  CString selectedShopName_;
  CString installFolder_;
  CString defaultDbFolder_;
  CString selectedShopPath_;
  CStringArray shopNames_;
  CStringArray shopFolders_;
  CTintedEdit helpText_;
};
