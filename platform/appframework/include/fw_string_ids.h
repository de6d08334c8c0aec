// Numbers of the framework's own strings (texts in data/strings/*.txt).
#pragma once

// Numbers 0xF6A0 and up, clear of the program's own strings.
enum : unsigned {
  FW_IDS_UNKNOWN_ERROR = 0xF6A0,   // an exception without a text of its own
  FW_IDS_OUT_OF_MEMORY = 0xF6A1,
  FW_IDS_OLE_ERROR = 0xF6A2,       // %1: the status code
  FW_IDS_FILE_NONE = 0xF6B0,       // + CFileException cause; %1: the file name
};
