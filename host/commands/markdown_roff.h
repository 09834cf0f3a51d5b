// The reference text (Markdown, as doc/reference.md holds it) turned into
// the sections of a manual page, so that README readers and `man tvkplot`
// read the same words.
#pragma once

#include <string>

namespace tvk::host {

// "## Heading" becomes a section (.SH), "### Heading" a subsection (.SS),
// paragraphs .PP, "- " items bulleted, indented and fenced blocks and tables
// kept as they stand (.nf); `code` and **bold** in bold. A "# " title is
// left out: the manual page has its own.
std::string markdown_to_roff(const std::string& markdown);

}  // namespace tvk::host
