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

// Every reading of a source's files (a table staged, a workbook's sheets
// listed) runs in a child process: a library that crashes or hangs on a
// damaged file gives a CDBException "FILE: cannot read this file: REASON"
// and the program goes on.
//
// The staged copy of spec's source, made (empty, its catalogue checked) or
// found again. Throws CDBException when the source cannot be listed. The
// library installs it as the connections' opener when it is loaded.
std::shared_ptr<StagedConnection> OpenStagedSource(const SourceConnectionSpec& spec);

// Told while a table is staged: the table and the rows done so far
// (installed by the program to show progress; may be empty).
using StagingProgressHandler = std::function<void(const std::string& table, long rowsDone)>;
void SetStagingProgressHandler(StagingProgressHandler handler);

// The longest a reading child may go without reporting progress (it
// reports every kStagingProgressRows rows) before it is stopped and its
// file refused: 60 s unless set, and 10 s more per MiB of the files read.
void SetStagingIdleLimit(int seconds);

// TRUE when sql names table: bracketed, quoted (the quote doubled inside)
// or as a bare word (any letter case).
bool SqlNamesTable(const std::string& sql, const std::string& table);
