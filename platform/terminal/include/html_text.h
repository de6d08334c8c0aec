// An HTML document as plain text for a text box: tags dropped, the head,
// scripts and styles left out, entities decoded (as UTF-8), blanks folded;
// paragraphs, headings, line breaks and table rows start new lines with a
// blank line between blocks, list items start a line with "  * ".
#pragma once

#include <string>

namespace fw_term {

std::string HtmlToText(const std::string& html);

// TRUE for a file name ending in ".htm" or ".html", in any case.
bool IsHtmlFileName(const std::string& name);

}  // namespace fw_term
