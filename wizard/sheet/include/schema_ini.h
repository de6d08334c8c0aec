// schema.ini beside a delimited text file: the "Format" the text driver
// reads the file with, in a section named after the file.
#pragma once

#include "fw_string.h"

// The text formats a person picks for a text source.
enum SchemaTextFormat { kSchemaCsv = 0, kSchemaTab = 1, kSchemaCustom = 2 };

// The "Format" value. By extension: "TabDelimited" for ".txt" (any case),
// else the locale's list separator ("CSVDelimited" for ",", else
// "Delimited(<separator>)"). Otherwise by format: CSV as the locale's list
// separator above, tab "TabDelimited", custom "Delimited(<first character
// of delimiter>)", or as CSV when delimiter is empty; any other format
// gives an empty value.
CString SchemaFormatValue(BOOL byExtension, const CString& extension, int format, const CString& delimiter,
                          const CString& listSeparator);
// The user locale's list separator ("," when the locale gives none).
CString LocaleListSeparator();
// Writes key "Format" = formatValue into section fileSection of
// folder/schema.ini (a read-only file is made writable first); FALSE when
// the file cannot be written.
BOOL WriteSchemaFormat(const CString& folder, const CString& fileSection, const CString& formatValue);
// TRUE when delimiter can separate fields: empty, or one character other
// than the double quote.
BOOL IsValidDelimiter(const CString& delimiter);
// Makes the file writable by its owner when it exists.
void ClearReadOnly(const CString& path);
