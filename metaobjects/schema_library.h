// Loading the shared library that carries an application's persistent
// classes, so that its typespecs register. Loaded libraries stay loaded for
// the life of the process (their typespecs stay registered until exit).
#pragma once

namespace dv_qem {

// Loads the library of that bare file name (a name holding '/', '\\' or
// ".." is refused), searched as the system searches, then in the folder of
// this library. 0 when it is loaded; else the errno of a stat of the file in
// this library's folder, or -1 when that file exists or the name was
// refused. The loader's own text goes to standard error.
int _Mop_load_schema_library(const char* file_name);

}  // namespace dv_qem
