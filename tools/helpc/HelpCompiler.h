// The help text, written once in a small Markdown subset, compiled into a Windows Help 3.1 file
// (what WINHELP.EXE and WINHLP32.EXE open) and its contents file.
//
// The subset: "# " the help's title (the first line), "## " a heading, "- " a list item (lines that
// follow it without a blank line belong to it), other lines a paragraph (a blank line ends it),
// "**" around bold text outside headings. Text is printable ASCII. It is read as the Linux help
// window's Markdown reader reads it: blanks after a marker and at a line's end are dropped, a
// block's lines are joined by one blank, and "**" makes bold only where Markdown's flanking rules
// let it open or close. Anything else is refused, naming the line that holds it, since the
// Markdown would show it otherwise: underlined headings and rules ("--", "==", "- - -"), character
// references ("&amp;"), strikethrough ("~~"), a "**" Markdown shows as written ("a ** b"), bold
// inside bold or in a heading, an address in a heading, a line break (two blanks at a line's end),
// a closing "#".
//
// The file: the 16-byte header, the internal files |SYSTEM (title), |TOPIC (one topic holding every
// block, uncompressed 4 KB topic blocks), |FONT (four fonts), |CONTEXT (the topic's context
// string) and the internal directory, a B+ tree of one leaf page, last.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx::help {

struct Run {
  std::string text;
  bool bold = false;
};

struct Block {
  enum Kind { kTitle, kHeading, kParagraph, kItem } kind = kParagraph;
  std::vector<Run> runs;
  int line = 0;  // where it starts in the source, counted from 1
};

struct Source {
  std::string title;  // the text of the "# " line
  std::vector<Block> blocks;
};

// The parsed source, or the line it cannot express and why ("line 7: tables are not supported").
struct Parsed {
  Source source;
  std::string error;
};
Parsed ParseMarkdown(std::string_view text);

// The context string of the one topic, which the contents file names.
inline constexpr std::string_view kTopicContext = "IDH_CONTENTS";

// The context string's hash, as the help viewers look it up in |CONTEXT.
std::int32_t ContextHash(std::string_view context);

// The window title of the help: the source's title and " Help".
std::string HelpTitle(const Source& source);

// The .hlp file's bytes; "" with `error` set when a block does not fit a topic block.
std::string CompileHelp(const Source& source, std::string* error);

// The .cnt contents file naming the topic, for the help file named `hlpName`.
std::string ContentsFile(const Source& source, std::string_view hlpName);

}  // namespace vx::help
