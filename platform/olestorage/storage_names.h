// Stream names and file paths: the rules a stream name must meet, and the
// UTF-16 / UTF-8 conversions of paths.
#pragma once

#include <string>

#include "dv_olestorage.h"

namespace dv_qem {

// S_OK and the name in *out when name is a valid stream name (1..31 units, a
// well-formed UTF-16 string, none of / \ : !); else STG_E_INVALIDNAME.
HRESULT check_stream_name(const char16_t* name, std::u16string* out);

// UTF-16 path -> UTF-8 bytes for the file system; an empty or ill-formed
// path: STG_E_INVALIDNAME.
HRESULT utf8_of_path(const char16_t* path, std::string* out);

// UTF-8 path -> UTF-16; an empty or ill-formed path: STG_E_INVALIDNAME.
HRESULT utf16_of_path(const char* path, std::u16string* out);

}  // namespace dv_qem
