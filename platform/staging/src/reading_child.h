// Reading outside files in a child process: a library that crashes, hangs
// or aborts on a damaged file ends the child, never the program. See
// DESIGN.md ("The reading child") for what the child may and may not touch.
#pragma once

#include <functional>
#include <string>

#include "source_staging.h"

// The work done in the child: it reports progress through progress (rows
// done, passed on to the parent) and returns a text for the parent.
using ChildReading = std::function<std::string(const StagingProgress& progress)>;

// Runs work in a forked child and returns the text it returned; progress
// (may be empty) is told in the parent whatever the child reports. A
// SourceFileError the child's work throws reaches the parent intact (the
// same text, thrown again); another std::exception becomes "FILE: cannot
// read this file: WHAT". A child that ends
// by a signal or with an unexpected status, or that reports nothing for
// idleSeconds (it is then killed), gives a SourceFileError
// "FILE: cannot read this file: REASON".
std::string ReadInChild(const std::string& file, const ChildReading& work, const StagingProgress& progress,
                        int idleSeconds);
