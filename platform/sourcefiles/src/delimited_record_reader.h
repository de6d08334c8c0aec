// The records of a delimited text file, one at a time, from a fixed-size
// buffer: memory does not grow with the file.
//
// Accepted: fields separated by one delimiter character; records ended by
// CR LF, LF or a lone CR; a field that opens with '"' is quoted and may hold
// delimiters, line breaks and doubled quotes ("" for one '"'); characters
// after a quoted field's closing quote belong to the field; a '"' inside an
// unquoted field is an ordinary character; empty lines are skipped; a UTF-8
// byte-order mark at the start is skipped and reported (startsWithUtf8Mark).
// Refused with a SourceFileError naming the file and the line: a NUL byte,
// and a quoted field that the file ends inside (the line where it opened).
// Fields are handed out as the file's bytes; decoding is the caller's.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

class DelimitedRecordReader {
 public:
  DelimitedRecordReader(const std::string& path, char delimiter);
  ~DelimitedRecordReader();
  DelimitedRecordReader(const DelimitedRecordReader&) = delete;
  DelimitedRecordReader& operator=(const DelimitedRecordReader&) = delete;

  // Reads the next record: fields[0 .. fieldCount) hold its fields (the
  // vector only grows, and its strings keep their capacity). False at the
  // end of the file.
  bool next(std::vector<std::string>& fields, size_t& fieldCount);

  // The line (from 1) on which the record last read starts.
  long recordLine() const { return recordLine_; }
  bool startsWithUtf8Mark() const { return utf8Mark_; }
  const std::string& path() const { return path_; }
  char delimiter() const { return delimiter_; }

 private:
  static constexpr int kEnd = -1;
  int get();
  int peek();
  bool fill();
  [[noreturn]] void fail(long line, const std::string& what) const;
  // Reads one field into `field`; returns the character that ended it: the
  // delimiter, '\n' (any line end) or kEnd.
  int readField(std::string& field, bool& quoted);

  std::string path_;
  char delimiter_;
  std::FILE* file_ = nullptr;
  std::vector<char> buffer_;
  size_t position_ = 0;
  size_t length_ = 0;
  long line_ = 1;
  long recordLine_ = 0;
  bool utf8Mark_ = false;
};
