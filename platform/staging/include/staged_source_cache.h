// The staged copies of file sources: one temporary SQLite file per source
// (kind, path and text options), shared by every connection to it, with its
// tables staged on first use and staged again when their file (or the
// schema.ini beside a text file) changed. A staged file outlives its
// connections (pages reconnect often) and is deleted at exit.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "source_connection.h"

// The staged copy of spec's source, made (empty, its catalogue checked) or
// found again. Throws CDBException when the source cannot be listed. The
// library installs it as the connections' opener when it is loaded.
std::shared_ptr<StagedConnection> OpenStagedSource(const SourceConnectionSpec& spec);

// Told while a table is staged: the table and the rows done so far
// (installed by the program to show progress; may be empty).
using StagingProgressHandler = std::function<void(const std::string& table, long rowsDone)>;
void SetStagingProgressHandler(StagingProgressHandler handler);

// TRUE when sql names table: bracketed, quoted or as a bare word (any
// letter case).
bool SqlNamesTable(const std::string& sql, const std::string& table);
