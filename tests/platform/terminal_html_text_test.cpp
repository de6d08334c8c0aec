// Guards the HTML-to-text conversion the terminal's document viewer shows
// help pages with: tags and the head dropped, paragraphs and headings
// apart by a blank line, list items on lines of their own, entities
// decoded to UTF-8, blanks folded, scripts, styles and comments left out.
#include <gtest/gtest.h>

#include <string>

#include "html_text.h"

namespace {

TEST(TerminalHtmlText, Cases) {
  struct Case {
    const char* html;
    const char* text;
  } cases[] = {
      {"<html><head><title>Help</title><style>p{x}</style></head><body><h1>Mapping</h1><p>Choose a\n   column.</p></body></html>",
       "Mapping\n\nChoose a column."},
      {"<p>Keys:</p><ul><li>Tab: next</li><li>Esc: cancel</li></ul><p>End</p>",
       "Keys:\n\n  * Tab: next\n  * Esc: cancel\n\nEnd"},
      {"a<br>b<br/>c", "a\nb\nc"},
      {"Gr&ouml;&szlig;e &amp; Ma&#223;e &#x20AC; &lt;5&gt; &nbsp;x", "Größe & Maße € <5>  x"},  // a hard space is kept
      {"<p>Größe Ø</p>", "Größe Ø"},
      {"x<!-- hidden -->y<script>alert(1)</script>z", "xyz"},
      {"&bogus; &amp", "&bogus; &amp"},
      {"<pre>a  b\nc</pre>", "a  b\nc"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(fw_term::HtmlToText(c.html), c.text) << c.html;
}

TEST(TerminalHtmlText, HtmlFileNames) {
  struct Case {
    const char* name;
    bool html;
  } cases[] = {{"page.html", true}, {"HELP.HTM", true}, {"x.Html", true}, {"a.tx", false}, {"ab.c", false},
               {"html", false}, {"notes.txt", false}, {".htm", true}, {"", false}};
  for (const Case& c : cases) EXPECT_EQ(fw_term::IsHtmlFileName(c.name), c.html) << c.name;
}

}  // namespace
