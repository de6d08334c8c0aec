// Helpers of the structured-storage tests: a holder that releases one
// reference, ASCII/UTF-8 widening, and whole-stream reads and writes.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "dv_olestorage.h"

namespace dv_test {

// Holds one reference to an interface and releases it when dropped.
template <typename T>
class ref {
 public:
  ref() = default;
  explicit ref(T* p) : p_(p) {}
  ~ref() { reset(); }
  ref(ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ref& operator=(ref&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ref(const ref&) = delete;
  ref& operator=(const ref&) = delete;

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Drops the reference held and hands out the slot for an out-parameter.
  T** put() {
    reset();
    return &p_;
  }
  void reset() {
    if (p_ != nullptr) std::exchange(p_, nullptr)->Release();
  }

 private:
  T* p_ = nullptr;
};

// The UTF-16 form of well-formed UTF-8 text, decoded here independently of
// the conversions under test.
inline std::u16string u16(const std::string& text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    int more = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
    char32_t c = more == 0 ? lead : lead & (0x3F >> more);
    for (int k = 1; k <= more; ++k) c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    i += more + 1;
    if (c < 0x10000) {
      out += static_cast<char16_t>(c);
    } else {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  return out;
}

// Writes text at the stream's position; the count written must be all of it.
inline dv_qem::HRESULT write_text(dv_qem::IStream* stream, const std::string& text) {
  dv_qem::ULONG written = 0;
  dv_qem::HRESULT hr = stream->Write(text.data(), static_cast<dv_qem::ULONG>(text.size()), &written);
  if (dv_qem::SUCCEEDED(hr)) {
    EXPECT_EQ(written, text.size());
  }
  return hr;
}

// The whole content of a stream, read from the start.
inline std::string stream_text(dv_qem::IStream* stream) {
  EXPECT_EQ(stream->Seek(0, dv_qem::STREAM_SEEK_SET, nullptr), dv_qem::S_OK);
  std::string text;
  char buffer[4096];
  for (;;) {
    dv_qem::ULONG read = 0;
    EXPECT_EQ(stream->Read(buffer, sizeof buffer, &read), dv_qem::S_OK);
    if (read == 0) break;
    text.append(buffer, read);
  }
  return text;
}

}  // namespace dv_test
