// Names shared by the readers: column names made unique, files found in a
// folder by name, ASCII case folding.
#pragma once

#include <string>
#include <vector>

std::string LowerAscii(std::string text);

// The columns' names as staged: an empty name, or one equal (without regard
// to ASCII case, as SQLite compares them) to an earlier one, becomes
// F<position from 1>, with "_2", "_3", ... added while that is taken too.
std::vector<std::string> UniqueColumnNames(const std::vector<std::string>& names);

// The folder of a text source: `fileOrFolder` itself, or the folder of the
// file it names.
std::string SourceFolder(const std::string& fileOrFolder);

// The path of file `name` in `folder`: the exact name, else a name equal
// without regard to ASCII case; empty when there is none. A `folder` that is
// a file stands for its own folder.
std::string FileInFolder(const std::string& folder, const std::string& name);
// The same, throwing a SourceFileError naming the path when there is none.
std::string FindFileInFolder(const std::string& folder, const std::string& name);

// Whether file name `name` ends in `extension` (".dbf"), without regard to case.
bool HasExtension(const std::string& name, const char* extension);

// The base name of file `fileOrFolder`, or the base names of the files of
// folder `fileOrFolder` that end in `extension` (sorted).
std::vector<std::string> ListTableFiles(const std::string& fileOrFolder, const char* extension);
