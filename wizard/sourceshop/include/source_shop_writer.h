// Writes the records of a Quillon shop into a shop file: shop information,
// the department tree of the categories, tax rates, products with their
// options, and the category links -- in one transaction, committed and
// saved at the end.
#pragma once

#include "options.h"
#include "shop_session.h"
#include "source_shop_reader.h"

class Department;

// Opens the shop file workPath in session (recovering it first when its log
// holds unfinished work), writes tables into it under one transaction
// scope, commits, saves and closes. templateLanguage names the shop's active
// language. tables must have passed CheckSourceShopTables. The records get
// the departments and products made from them. Database errors pass to the
// caller with the transaction aborted and the session closed.
void WriteSourceShop(CShopSession& session, LPCTSTR workPath, LPCTSTR templateLanguage, SourceShopTables& tables,
                     const SourceShopProgress& progress);

// Empties a persistent list of departments from its end; with destroy the
// removed departments are deleted with their subtrees and freed.
void EmptyDepartmentList(dv_qem::dv_List<Department>* list, BOOL destroy);
// Opens the shop file path in session, empties its department tree (the
// sample departments of a new shop), commits, saves and closes. Database
// errors pass to the caller with the session closed.
void EmptyShopDepartments(CShopSession& session, LPCTSTR path);
// The same for a product's option list; destroyed options leave the shop's
// lists with their choices.
void EmptyOptionList(dv_qem::dv_List<COption>* list, BOOL destroy);
