// Splitting a delimited text file into records and fields (the accepted
// format is described in the header).
#include "delimited_record_reader.h"

#include "source_staging.h"

#include <cerrno>
#include <cstring>

namespace {
constexpr size_t kBufferBytes = 64 * 1024;
}

DelimitedRecordReader::DelimitedRecordReader(const std::string& path, char delimiter)
    : path_(path), delimiter_(delimiter), buffer_(kBufferBytes) {
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) throw SourceFileError(path + ": cannot open the file: " + std::strerror(errno));
  if (peek() == 0xEF && fill() && length_ - position_ >= 3 &&
      static_cast<unsigned char>(buffer_[position_ + 1]) == 0xBB &&
      static_cast<unsigned char>(buffer_[position_ + 2]) == 0xBF) {
    position_ += 3;
    utf8Mark_ = true;
  }
}

DelimitedRecordReader::~DelimitedRecordReader() { std::fclose(file_); }

void DelimitedRecordReader::fail(long line, const std::string& what) const {
  throw SourceFileError(path_ + ": line " + std::to_string(line) + ": " + what);
}

// Makes at least three bytes available when the file still has them (the
// byte-order mark check reads three at once); false when none is left.
bool DelimitedRecordReader::fill() {
  if (length_ - position_ >= 3) return true;
  const size_t kept = length_ - position_;
  std::memmove(buffer_.data(), buffer_.data() + position_, kept);
  position_ = 0;
  length_ = kept;
  while (length_ < 3) {
    const size_t got = std::fread(buffer_.data() + length_, 1, buffer_.size() - length_, file_);
    if (got == 0) {
      if (std::ferror(file_)) fail(line_, std::string("read error: ") + std::strerror(errno));
      break;
    }
    length_ += got;
  }
  return length_ > position_;
}

int DelimitedRecordReader::peek() {
  if (position_ == length_ && !fill()) return kEnd;
  return static_cast<unsigned char>(buffer_[position_]);
}

int DelimitedRecordReader::get() {
  const int c = peek();
  if (c != kEnd) ++position_;
  return c;
}

int DelimitedRecordReader::readField(std::string& field, bool& quoted) {
  field.clear();
  quoted = peek() == '"';
  if (quoted) {
    const long openedOn = line_;
    get();
    for (;;) {
      const int c = get();
      if (c == kEnd) fail(openedOn, "a quoted field opened on this line is not closed before the end of the file");
      if (c == 0) fail(line_, "the file holds a NUL byte");
      if (c == '"') {
        if (peek() != '"') break;
        get();
      } else if (c == '\n' || (c == '\r' && peek() != '\n')) {
        ++line_;
      }
      field += static_cast<char>(c);
    }
  }
  for (;;) {
    const int c = get();
    if (c == kEnd) return kEnd;
    if (c == 0) fail(line_, "the file holds a NUL byte");
    if (c == static_cast<unsigned char>(delimiter_)) return c;
    if (c == '\r' || c == '\n') {
      if (c == '\r' && peek() == '\n') get();
      ++line_;
      return '\n';
    }
    field += static_cast<char>(c);
  }
}

bool DelimitedRecordReader::next(std::vector<std::string>& fields, size_t& fieldCount) {
  for (;;) {
    if (peek() == kEnd) return false;
    recordLine_ = line_;
    fieldCount = 0;
    int ended;
    bool quoted;
    do {
      if (fieldCount == fields.size()) fields.emplace_back();
      ended = readField(fields[fieldCount++], quoted);
    } while (ended == static_cast<unsigned char>(delimiter_));
    const bool emptyLine = fieldCount == 1 && !quoted && fields[0].empty();
    if (!emptyLine) return true;
  }
}
