// Writes the five tables of a Quillon shop with pxlib -- every column of
// the records, with the types the source product uses (texts as alpha or
// memo fields, ids as long integers, the price as a number, flags as
// logical fields) -- into "<shop>/db/", and a program folder with the
// shipped run-time data for the shop files the tests make.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "px_test_table.h"

namespace sourceshop_test {

using dvtest::PxColumn;
using dvtest::PxRow;
using T = PxColumn::Type;

// A row given by column name; columns it leaves out are blank.
using NamedRow = std::map<std::string, std::string>;

inline const std::vector<PxColumn>& ProductColumns() {
  static const std::vector<PxColumn> columns = {
      {"P_ID", T::Long},           {"P_ARTNR", T::Alpha, 20},    {"P_NAME", T::Alpha, 60},
      {"P_SHORT", T::Memo, 30},    {"P_MAIN", T::Memo, 30},      {"P_IMAGE1", T::Alpha, 80},
      {"P_IMAGE2", T::Alpha, 80},  {"P_PRICE", T::Number},       {"P_VISIBLE", T::Logical},
      {"P_DETAIL", T::Logical},    {"P_UID", T::Long},           {"P_OPTIONLABEL1", T::Alpha, 40},
      {"P_OPTION1", T::Memo, 20},  {"P_OPTIONLABEL2", T::Alpha, 40}, {"P_OPTION2", T::Memo, 20},
      {"P_SUBTITLE", T::Alpha, 80}, {"P_MANUFACT", T::Alpha, 40}, {"P_FEATURES", T::Memo, 20},
      {"P_SUPP", T::Alpha, 40},    {"P_ALIGN1", T::Alpha, 10},   {"P_ALIGN2", T::Alpha, 10},
  };
  return columns;
}

inline const std::vector<PxColumn>& CategoryColumns() {
  static const std::vector<PxColumn> columns = {
      {"C_ID", T::Long},       {"C_PARENTID", T::Long},    {"C_CHILDREN", T::Logical}, {"C_NAME", T::Alpha, 60},
      {"C_SUBTITLE", T::Alpha, 80}, {"C_MAIN", T::Memo, 20}, {"C_IMAGE", T::Alpha, 80}, {"C_SORT", T::Long},
  };
  return columns;
}

inline const std::vector<PxColumn>& CatProdColumns() {
  static const std::vector<PxColumn> columns = {{"C_ID", T::Long}, {"P_ID", T::Long}};
  return columns;
}

inline const std::vector<PxColumn>& VatColumns() {
  static const std::vector<PxColumn> columns = {{"V_ID", T::Long}, {"V_NAME", T::Alpha, 30}, {"V_VALUE", T::Long}};
  return columns;
}

inline const std::vector<PxColumn>& ShopColumns() {
  static const std::vector<PxColumn> columns = {
      {"S_NAME", T::Alpha, 60},         {"S_SUBTITLE", T::Alpha, 80},     {"S_FIRMA", T::Alpha, 60},
      {"S_STRASSE", T::Alpha, 60},      {"S_PLZ", T::Alpha, 10},          {"S_ORT", T::Alpha, 40},
      {"S_FON", T::Alpha, 30},          {"S_FAX", T::Alpha, 30},          {"S_CURRENCY", T::Alpha, 10},
      {"S_EURO", T::Logical},           {"S_EMAILORDER", T::Alpha, 60},   {"S_SORT", T::Long},
      {"S_EMAILKONTAKT", T::Alpha, 60}, {"S_LOGO", T::Alpha, 80},         {"S_FIRMA2", T::Alpha, 60},
      {"S_HOMEHEAD", T::Alpha, 80},     {"S_HOMETXT", T::Memo, 20},       {"S_METATITLE", T::Alpha, 60},
      {"S_METAAUTHOR", T::Alpha, 60},   {"S_METAPUBLISHER", T::Alpha, 60}, {"S_METAREVISITS", T::Alpha, 20},
      {"S_METAEXPIRES", T::Alpha, 20},  {"S_METAKEYWORDS", T::Memo, 20},  {"S_METADESCRIPTION", T::Memo, 20},
      {"S_METAROBOTS", T::Alpha, 20},   {"S_METALANGUAGE", T::Alpha, 20}, {"S_EMAILGENERAL", T::Alpha, 60},
      {"S_ORDERFAX", T::Alpha, 30},     {"S_ORDERADDRESS", T::Logical},   {"S_HOMEPAGE", T::Logical},
      {"S_HOMEPAGEURL", T::Alpha, 80},  {"S_ORDERDANKE", T::Memo, 20},
  };
  return columns;
}

// The five tables of one shop, rows by column name.
struct ShopTables {
  std::vector<NamedRow> products, categories, links, vats, shops;
};

inline std::vector<PxRow> ToRows(const std::vector<PxColumn>& columns, const std::vector<NamedRow>& rows) {
  std::vector<PxRow> out;
  for (const NamedRow& named : rows) {
    PxRow row;
    for (const PxColumn& c : columns) {
      auto it = named.find(c.name);
      row.push_back(it == named.end() ? dvtest::PxCell() : dvtest::PxCell(it->second));
    }
    out.push_back(row);
  }
  return out;
}

// Writes the tables into "<shopFolder>/db/" and answers that folder with a
// trailing '/'. A table named in leaveOut is not written.
inline std::string WriteShopTables(const std::string& shopFolder, const ShopTables& t,
                                   const std::string& leaveOut = std::string()) {
  const std::string db = shopFolder + "/db/";
  std::filesystem::create_directories(db);
  struct Table {
    const char* name;
    const std::vector<PxColumn>& columns;
    const std::vector<NamedRow>& rows;
  };
  for (const Table& table : {Table{"PRODUCT", ProductColumns(), t.products},
                             Table{"CATEGORY", CategoryColumns(), t.categories},
                             Table{"CAT_PROD", CatProdColumns(), t.links}, Table{"VAT", VatColumns(), t.vats},
                             Table{"SHOP", ShopColumns(), t.shops}}) {
    if (leaveOut == table.name) continue;
    dvtest::WriteParadoxTable(db + table.name + ".db", table.columns, ToRows(table.columns, table.rows));
  }
  return db;
}

// The tables of the shop most cases start from.
inline ShopTables SampleShop() {
  ShopTables t;
  t.categories = {
      {{"C_ID", "0"}, {"C_NAME", "Root"}},
      {{"C_ID", "-11"}, {"C_NAME", "Start"}, {"C_SUBTITLE", "Welcome"}, {"C_MAIN", std::string(300, 'w')}},
      {{"C_ID", "-2"}, {"C_NAME", "Hidden"}},
      {{"C_ID", "-3"}, {"C_NAME", "Trash"}},
      {{"C_ID", "5"}, {"C_PARENTID", "-11"}, {"C_NAME", "Shirts"}},
      {{"C_ID", "6"}, {"C_PARENTID", "5"}, {"C_NAME", "Small shirts"}},
      {{"C_ID", "7"}, {"C_PARENTID", "-2"}, {"C_NAME", "Under hidden"}},
      {{"C_ID", "8"}, {"C_PARENTID", "99"}, {"C_NAME", "Lost"}},
  };
  t.products = {
      {{"P_ID", "1"}, {"P_NAME", "T-Shirt"}, {"P_ARTNR", "TS-1"}, {"P_PRICE", "12.5"}, {"P_UID", "1"},
       {"P_SHORT", "Cotton"}, {"P_MAIN", std::string(700, 'c')}, {"P_OPTIONLABEL1", "Size"},
       {"P_OPTION1", "S\r\nM\r\n\r\nL"}},
      {{"P_ID", "2"}, {"P_NAME", "Mug"}, {"P_ARTNR", "MG-2"}, {"P_PRICE", "4"}},
      {{"P_ID", "3"}, {"P_NAME", "Cap"}, {"P_ARTNR", "CP-3"}, {"P_PRICE", "9.99"}, {"P_OPTIONLABEL2", "Colour"},
       {"P_OPTION2", "Red\r\nBlue"}},
  };
  t.links = {
      {{"C_ID", "5"}, {"P_ID", "1"}},   // Shirts has a sub-department: not linked
      {{"C_ID", "6"}, {"P_ID", "1"}},   // linked
      {{"C_ID", "-2"}, {"P_ID", "3"}},  // no department
      {{"C_ID", "8"}, {"P_ID", "3"}},   // outside the tree, still linked
      {{"P_ID", "2"}},                  // blank category: skipped, never category 0
      {{"C_ID", "0"}},                  // blank product: skipped
  };
  t.vats = {{{"V_ID", "0"}, {"V_NAME", "full"}, {"V_VALUE", "19"}},
            {{"V_ID", "1"}, {"V_NAME", "half"}, {"V_VALUE", "7"}},
            {{"V_ID", "2"}, {"V_NAME", "other"}, {"V_VALUE", "16"}},
            {{"V_ID", "3"}, {"V_NAME", "ignored"}, {"V_VALUE", "99"}}};
  t.shops = {{{"S_NAME", "Quillon Test Shop"}, {"S_FIRMA", "Test GmbH"}, {"S_STRASSE", "Hauptstr. 1"},
              {"S_PLZ", "12345"}, {"S_ORT", "Berlin"}, {"S_FON", "030 1"}, {"S_CURRENCY", "DM"}, {"S_EURO", "1"},
              {"S_EMAILORDER", "order@example.com"}, {"S_HOMEHEAD", "Hello"}, {"S_HOMETXT", std::string(200, 'h')},
              {"S_ORDERDANKE", "Thanks"}}};
  return t;
}

}  // namespace sourceshop_test
