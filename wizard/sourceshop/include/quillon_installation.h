// Finding an installed Quillon shop product and the shops in it. The
// installation folder comes from the product's uninstall entry: section
// "Uninstall\Quillon", value "UninstallString" of the machine's profile
// (the registry key SOFTWARE\Microsoft\Windows\CurrentVersion kept as an
// ini file, see fw_registry_profile.h). A shop is a folder whose "db"
// folder holds the five tables "PRODUCT.db", "CATEGORY.db", "CAT_PROD.db",
// "SHOP.db" and "VAT.db" (names matched without regard to case).
#pragma once

#include "fw_collections.h"
#include "fw_string.h"

class FwRegistryProfile;

// The profile that holds the uninstall entries of the machine's products.
FwRegistryProfile MachineUninstallProfile();

// The installation folder named by an uninstall command: the text after
// "-f" (found without regard to case), without one opening double quote,
// cut before "\uninst.isu" or "/uninst.isu" and a closing quote. Its case is
// kept. Empty when the command holds no "-f".
CString InstallFolderFromUninstallString(const CString& command);

// The installation folder of the uninstall entry in profile; empty when the
// entry or its "-f" is missing.
CString FindQuillonInstallFolder(const FwRegistryProfile& profile);

// Whether folder's "db" folder holds the five tables.
bool IsQuillonShopFolder(const CString& folder);

// The folder of a shop's tables: shopFolder's "db" folder (as its name is
// on disk) with a trailing '/'.
CString QuillonTablesFolder(const CString& shopFolder);

// The shops of installFolder: the folder itself when it is a shop (named
// after its last component), else each sub-folder that is a shop, in name
// order. Each folder in folders ends with '/'. True when one was found.
bool ListQuillonShops(const CString& installFolder, CStringArray& names, CStringArray& folders);
