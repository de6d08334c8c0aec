// Finding a table's files in a folder: names are matched without regard to
// case, as on the system the tables come from.
#pragma once

#include <string>

namespace dvparadox {

// The path of the entry of folder whose name equals name without regard to
// case; empty when there is none. An empty folder means the current one.
std::string FindFileIgnoringCase(const std::string& folder, const std::string& name);

// The table's file name: name with ".db" added when it has no extension.
std::string TableFileName(const std::string& name);

// The memo file name of a table file ("PRODUCT.db" -> "PRODUCT.mb").
std::string MemoFileName(const std::string& tableFileName);

}  // namespace dvparadox
