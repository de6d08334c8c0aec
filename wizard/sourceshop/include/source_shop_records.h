// The records that the five tables of a Quillon shop are read into: one
// record per row, every column kept (the writer uses some of them).
#pragma once

#include <vector>

#include "fw_string.h"

class Department;
class Product;

// A row of "SHOP".
struct SourceShop {
  CString S_NAME, S_SUBTITLE, S_FIRMA, S_STRASSE, S_PLZ, S_ORT, S_FON, S_FAX, S_CURRENCY;
  bool S_EURO = false;
  CString S_EMAILORDER;
  int S_SORT = 0;
  CString S_EMAILKONTAKT, S_LOGO, S_FIRMA2, S_HOMEHEAD, S_HOMETXT, S_METATITLE, S_METAAUTHOR, S_METAPUBLISHER,
      S_METAREVISITS, S_METAEXPIRES, S_METAKEYWORDS, S_METADESCRIPTION, S_METAROBOTS, S_METALANGUAGE, S_EMAILGENERAL,
      S_ORDERFAX;
  bool S_ORDERADDRESS = false, S_HOMEPAGE = false;
  CString S_HOMEPAGEURL, S_ORDERDANKE;
};

// A row of "PRODUCT".
struct SourceProduct {
  Product* product = nullptr;  // the product made from the row, null until written
  int P_ID = 0;
  CString P_ARTNR, P_NAME, P_SHORT, P_MAIN, P_IMAGE1, P_IMAGE2;
  double P_PRICE = 0;
  bool P_VISIBLE = false, P_DETAIL = false;
  int P_UID = 0;
  CString P_OPTIONLABEL1, P_OPTION1, P_OPTIONLABEL2, P_OPTION2, P_SUBTITLE, P_MANUFACT, P_FEATURES, P_SUPP, P_ALIGN1,
      P_ALIGN2;
};

// A row of "CATEGORY".
struct SourceCategory {
  Department* department = nullptr;  // the department made from the row, null until written
  int C_ID = 0;
  int C_PARENTID = 0;
  bool topLevel = false;  // C_PARENTID was blank
  bool C_CHILDREN = false;
  CString C_NAME, C_SUBTITLE, C_MAIN, C_IMAGE;
  int C_SORT = 0;
};

// A row of "CAT_PROD": product P_ID is linked into category C_ID.
struct SourceCatProd {
  int C_ID = 0;
  int P_ID = 0;
};

// A row of "VAT".
struct SourceVat {
  int V_ID = 0;
  CString V_NAME;
  int V_VALUE = 0;
};

// The five tables of one shop, rows in table order.
struct SourceShopTables {
  std::vector<SourceProduct> products;
  std::vector<SourceCategory> categories;
  std::vector<SourceCatProd> links;
  std::vector<SourceVat> vats;
  std::vector<SourceShop> shops;

  void Clear() { *this = SourceShopTables(); }
};

// Category ids that stand for no department of the new shop.
inline bool IsSkippedCategoryId(int id) { return id == -2 || id == -3; }
// Category ids whose department gets a fixed name.
constexpr int kHomePageCategoryId = -11;  // named "HomePage"
constexpr int kRootCategoryId = 0;         // named "Kategorien"
