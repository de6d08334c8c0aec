// Text between the control model and the toolkit: the model's texts are
// UTF-8 bytes, the toolkit's are wide strings. A byte that opens no valid
// UTF-8 sequence becomes U+FFFD, so no stray byte reaches the screen.
#pragma once

#include <string>
#include <vector>

#include <final/final.h>

namespace fw_term {

// The wide text of utf8.
finalcut::FString Wide(const std::string& utf8);
// The UTF-8 bytes of text.
std::string Utf8(const finalcut::FString& text);
// The cells text takes on the screen (a wide character two).
std::size_t Cells(const finalcut::FString& text);
// text without the '&' that marks an access key ("&&" keeps one '&').
std::string WithoutAccessMarks(const std::string& text);
// text cut at blanks into lines of at most width cells; line breaks kept.
std::vector<finalcut::FString> Wrap(const finalcut::FString& text, std::size_t width);

}  // namespace fw_term
