// Reading a Quillon shop's five tables into records, and the checks that
// keep a broken source from reaching the shop file.
#include "source_shop_reader.h"

#include <map>
#include <memory>
#include <set>
#include <string>

namespace {

// The column numbers of the open table by name.
class SourceTable {
 public:
  // Opens table name of folder; reports and throws as ReadSourceShopTables
  // says.
  SourceTable(LPCTSTR folder, LPCTSTR name) {
    try {
      cursor_.Open(folder, name, CBdeTableCursor::kParadox, TRUE, FALSE, nullptr);
      const int count = cursor_.GetFieldCount();
      for (int i = 1; i <= count; ++i) columns_[std::string(cursor_.GetFieldName(i))] = i;
    } catch (CBdeException* e) {
      e->ReportError();
      e->Delete();
      throw new CBdeException(8, name, "", "");
    }
  }

  CBdeTableCursor& Cursor() { return cursor_; }

  // Each read: false (value untouched) when the table has no such column;
  // *blank (when given) tells that the field was empty.
  bool Read(const char* column, CString& value, BOOL* blank = nullptr) {
    int n = Find(column);
    if (n) value = cursor_.GetFieldAsString(n, Blank(blank));
    return n != 0;
  }
  bool Read(const char* column, int& value, BOOL* blank = nullptr) {
    int n = Find(column);
    if (n) value = cursor_.GetFieldAsInt(n, Blank(blank));
    return n != 0;
  }
  bool Read(const char* column, double& value, BOOL* blank = nullptr) {
    int n = Find(column);
    if (n) value = cursor_.GetFieldAsDouble(n, Blank(blank));
    return n != 0;
  }
  bool Read(const char* column, bool& value, BOOL* blank = nullptr) {
    int n = Find(column);
    if (n) value = cursor_.GetFieldAsBool(n, Blank(blank)) != 0;
    return n != 0;
  }

 private:
  int Find(const char* column) const {
    auto it = columns_.find(column);
    return it == columns_.end() ? 0 : it->second;
  }
  BOOL* Blank(BOOL* blank) { return blank ? blank : &ignored_; }

  CBdeTableCursor cursor_;
  std::map<std::string, int> columns_;
  BOOL ignored_ = FALSE;
};

// Reads every row of table name with readRow; progress base + (row mod span).
template <class Record, class ReadRow>
void ReadTable(LPCTSTR folder, LPCTSTR name, std::vector<Record>& records, int base, int span,
               const SourceShopProgress& progress, ReadRow readRow) {
  SourceTable table(folder, name);
  const int count = table.Cursor().GetRecordCount();
  table.Cursor().First();
  for (int i = 0; i < count; ++i) {
    Record record;
    if (readRow(table, record)) records.push_back(record);
    table.Cursor().Next();
    if (progress) progress(base + records.size() % span);
  }
}

void ReadProduct(SourceTable& t, SourceProduct& r) {
  t.Read("P_ID", r.P_ID);
  t.Read("P_ARTNR", r.P_ARTNR);
  t.Read("P_NAME", r.P_NAME);
  t.Read("P_SHORT", r.P_SHORT);
  t.Read("P_MAIN", r.P_MAIN);
  t.Read("P_IMAGE1", r.P_IMAGE1);
  t.Read("P_IMAGE2", r.P_IMAGE2);
  t.Read("P_PRICE", r.P_PRICE);
  t.Read("P_VISIBLE", r.P_VISIBLE);
  t.Read("P_DETAIL", r.P_DETAIL);
  t.Read("P_UID", r.P_UID);
  t.Read("P_OPTIONLABEL1", r.P_OPTIONLABEL1);
  t.Read("P_OPTION1", r.P_OPTION1);
  t.Read("P_OPTIONLABEL2", r.P_OPTIONLABEL2);
  t.Read("P_OPTION2", r.P_OPTION2);
  t.Read("P_SUBTITLE", r.P_SUBTITLE);
  t.Read("P_MANUFACT", r.P_MANUFACT);
  t.Read("P_FEATURES", r.P_FEATURES);
  t.Read("P_SUPP", r.P_SUPP);
  t.Read("P_ALIGN1", r.P_ALIGN1);
  t.Read("P_ALIGN2", r.P_ALIGN2);
}

void ReadCategory(SourceTable& t, SourceCategory& r) {
  t.Read("C_ID", r.C_ID);
  BOOL blankParent = FALSE;
  if (t.Read("C_PARENTID", r.C_PARENTID, &blankParent)) r.topLevel = blankParent != 0;
  t.Read("C_CHILDREN", r.C_CHILDREN);
  t.Read("C_NAME", r.C_NAME);
  t.Read("C_SUBTITLE", r.C_SUBTITLE);
  t.Read("C_MAIN", r.C_MAIN);
  t.Read("C_IMAGE", r.C_IMAGE);
  t.Read("C_SORT", r.C_SORT);
}

// A link row with a blank key is dropped: a blank integer reads as 0, which
// would link the product into the root category.
bool ReadLink(SourceTable& t, SourceCatProd& r) {
  BOOL blankCategory = FALSE, blankProduct = FALSE;
  t.Read("C_ID", r.C_ID, &blankCategory);
  t.Read("P_ID", r.P_ID, &blankProduct);
  return !blankCategory && !blankProduct;
}

void ReadVat(SourceTable& t, SourceVat& r) {
  t.Read("V_ID", r.V_ID);
  t.Read("V_NAME", r.V_NAME);
  t.Read("V_VALUE", r.V_VALUE);
}

void ReadShop(SourceTable& t, SourceShop& r) {
  t.Read("S_NAME", r.S_NAME);
  t.Read("S_SUBTITLE", r.S_SUBTITLE);
  t.Read("S_FIRMA", r.S_FIRMA);
  t.Read("S_STRASSE", r.S_STRASSE);
  t.Read("S_PLZ", r.S_PLZ);
  t.Read("S_ORT", r.S_ORT);
  t.Read("S_FON", r.S_FON);
  t.Read("S_FAX", r.S_FAX);
  t.Read("S_CURRENCY", r.S_CURRENCY);
  t.Read("S_EURO", r.S_EURO);
  t.Read("S_EMAILORDER", r.S_EMAILORDER);
  t.Read("S_SORT", r.S_SORT);
  t.Read("S_EMAILKONTAKT", r.S_EMAILKONTAKT);
  t.Read("S_LOGO", r.S_LOGO);
  t.Read("S_FIRMA2", r.S_FIRMA2);
  t.Read("S_HOMEHEAD", r.S_HOMEHEAD);
  t.Read("S_HOMETXT", r.S_HOMETXT);
  t.Read("S_METATITLE", r.S_METATITLE);
  t.Read("S_METAAUTHOR", r.S_METAAUTHOR);
  t.Read("S_METAPUBLISHER", r.S_METAPUBLISHER);
  t.Read("S_METAREVISITS", r.S_METAREVISITS);
  t.Read("S_METAEXPIRES", r.S_METAEXPIRES);
  t.Read("S_METAKEYWORDS", r.S_METAKEYWORDS);
  t.Read("S_METADESCRIPTION", r.S_METADESCRIPTION);
  t.Read("S_METAROBOTS", r.S_METAROBOTS);
  t.Read("S_METALANGUAGE", r.S_METALANGUAGE);
  t.Read("S_EMAILGENERAL", r.S_EMAILGENERAL);
  t.Read("S_ORDERFAX", r.S_ORDERFAX);
  t.Read("S_ORDERADDRESS", r.S_ORDERADDRESS);
  t.Read("S_HOMEPAGE", r.S_HOMEPAGE);
  t.Read("S_HOMEPAGEURL", r.S_HOMEPAGEURL);
  t.Read("S_ORDERDANKE", r.S_ORDERDANKE);
}

template <class Record, void (*Read)(SourceTable&, Record&)>
bool KeepEvery(SourceTable& t, Record& r) {
  Read(t, r);
  return true;
}

}  // namespace

void ReadSourceShopTables(LPCTSTR folder, SourceShopTables& tables, const SourceShopProgress& progress) {
  tables.Clear();
  ReadTable(folder, "PRODUCT", tables.products, 0, 20, progress, KeepEvery<SourceProduct, ReadProduct>);
  ReadTable(folder, "CATEGORY", tables.categories, 20, 10, progress, KeepEvery<SourceCategory, ReadCategory>);
  ReadTable(folder, "CAT_PROD", tables.links, 30, 10, progress, ReadLink);
  ReadTable(folder, "VAT", tables.vats, 40, 10, progress, KeepEvery<SourceVat, ReadVat>);
  ReadTable(folder, "SHOP", tables.shops, 50, 10, progress, KeepEvery<SourceShop, ReadShop>);
}

const SourceCategory* FindSourceCategory(const SourceShopTables& tables, int id) {
  if (IsSkippedCategoryId(id)) return nullptr;
  for (const SourceCategory& c : tables.categories)
    if (c.C_ID == id) return &c;
  return nullptr;
}

void CheckSourceShopTables(const SourceShopTables& tables, LPCTSTR folder) {
  if (tables.shops.size() != 1) {
    CString message;
    message.Format("The table SHOP holds %d rows; a shop is migrated from exactly one.",
                   static_cast<int>(tables.shops.size()));
    throw new CBdeException(0, "SHOP", folder, message);
  }
  // Following the parents from every category must end at a category
  // without one (or outside the tree); coming back to a category on the way
  // is a circle, which the department tree must never hold.
  for (const SourceCategory& start : tables.categories) {
    if (IsSkippedCategoryId(start.C_ID)) continue;
    std::set<const SourceCategory*> seen{&start};
    const SourceCategory* c = &start;
    while (!c->topLevel) {
      c = FindSourceCategory(tables, c->C_PARENTID);
      if (!c) break;
      if (!seen.insert(c).second) {
        CString message;
        message.Format("The categories of the table CATEGORY form a circle: category %d is its own ancestor.",
                       c->C_ID);
        throw new CBdeException(0, "CATEGORY", folder, message);
      }
    }
  }
}
