#include "tools/helpc/HelpCompiler.h"

#include <algorithm>

namespace vx::help {

namespace {

// ---- the Markdown subset ----

std::string At(int line, const std::string& why) { return "line " + std::to_string(line) + ": " + why; }

// The lines of one block, each without its end and its trailing blanks, with their numbers.
struct Line {
  std::string text;
  int number;
};

bool Blank(char c) { return c == ' '; }
bool Punctuation(char c) {
  return c >= 0x21 && c <= 0x7E && !(c >= '0' && c <= '9') && !(c >= 'A' && c <= 'Z') &&
         !(c >= 'a' && c <= 'z');
}
bool Alphanumeric(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The runs of one block, its lines joined by a blank as Markdown joins them, "**" switching bold;
// an error naming the line that holds what the subset does not express. A "**" switches bold only
// where Markdown makes it open or close bold text (its flanking rules): one that would show as
// written, or open bold text inside bold text, is refused.
std::string SplitRuns(const std::vector<Line>& lines, bool heading, std::vector<Run>& runs) {
  std::string text;
  std::vector<std::pair<std::size_t, int>> starts;  // where each line starts in `text`
  for (const Line& l : lines) {
    if (!text.empty()) text += ' ';
    starts.push_back({text.size(), l.number});
    text += l.text;
  }
  auto lineOf = [&](std::size_t i) {
    int number = starts.front().second;
    for (const auto& [at, n] : starts)
      if (at <= i) number = n;
    return number;
  };
  bool bold = false;
  std::size_t boldFrom = 0;
  std::string current;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const int line = lineOf(i);
    if (static_cast<unsigned char>(c) >= 0x7F || static_cast<unsigned char>(c) < 0x20)
      return At(line, "only printable ASCII text is supported");
    if (c == '*') {
      const std::size_t run = text.find_first_not_of('*', i) == std::string::npos
                                  ? text.size() - i
                                  : text.find_first_not_of('*', i) - i;
      if (run == 1) return At(line, "a single '*' (emphasis) is not supported");
      if (run > 2) return At(line, "'***' and longer runs of '*' are not supported");
      if (heading) return At(line, "bold text ('**') in a heading is not supported");
      const char before = i == 0 ? ' ' : text[i - 1];
      const char after = i + 2 == text.size() ? ' ' : text[i + 2];
      const bool opens =
          !Blank(after) && (!Punctuation(after) || Blank(before) || Punctuation(before));
      const bool closes =
          !Blank(before) && (!Punctuation(before) || Blank(after) || Punctuation(after));
      if (!bold && !opens)
        return At(line, "a '**' that does not start bold text (a blank or a mark after it) "
                        "is not supported");
      if (bold && !closes)
        return At(line, "a '**' that does not end the bold text (a blank or a mark before it) "
                        "is not supported");
      if (!current.empty()) runs.push_back({current, bold});
      current.clear();
      bold = !bold;
      boldFrom = i;
      ++i;
      continue;
    }
    // Markdown links addresses; the link, and what follows it, lose a heading's bold on Linux.
    if (heading && (c == '@' || text.compare(i, 4, "www.") == 0 || text.compare(i, 3, "://") == 0))
      return At(line, "an address ('@', 'www.', '://') in a heading is not supported");
    if (c == '`') return At(line, "code ('`') is not supported");
    if (c == '[' || c == ']') return At(line, "links ('[') are not supported");
    if (c == '<' || c == '>') return At(line, "HTML and quotes ('<', '>') are not supported");
    if (c == '\\') return At(line, "backslash escapes are not supported");
    if (c == '|') return At(line, "tables ('|') are not supported");
    if (c == '~') return At(line, "strikethrough ('~') is not supported");
    if (c == '&') {  // a character reference: "&amp;", "&#38;", "&#x26;"
      std::size_t j = i + 1;
      if (j < text.size() && text[j] == '#') ++j;
      if (j < text.size() && (text[j] == 'x' || text[j] == 'X') && text[i + 1] == '#') ++j;
      const std::size_t name = j;
      while (j < text.size() && Alphanumeric(text[j])) ++j;
      if (j > name && j < text.size() && text[j] == ';')
        return At(line, "character references ('&') are not supported");
    }
    if (c == '_') {  // only inside a word, where it never makes emphasis
      const std::size_t from = text.find_last_not_of('_', i), to = text.find_first_not_of('_', i);
      if (from == std::string::npos || to == std::string::npos || !Alphanumeric(text[from]) ||
          !Alphanumeric(text[to]))
        return At(line, "'_' outside a word (emphasis) is not supported");
    }
    current += c;
  }
  if (bold) return At(lineOf(boldFrom), "'**' is not closed");
  if (!current.empty()) runs.push_back({current, bold});
  if (runs.empty()) return At(starts.front().second, "a block without text");
  return "";
}

// Why a line, or a list item's text, would begin a block other than a paragraph; "" when not.
std::string BlockStart(std::string_view line) {
  if (line.find_first_not_of("- ") == std::string_view::npos ||
      line.find_first_not_of("= ") == std::string_view::npos)
    return "underlined headings and rules ('--', '==') are not supported";
  const std::size_t digits = line.find_first_not_of("0123456789");
  if (line.front() == '+' || line.front() == '=' || line.rfind("- ", 0) == 0 ||
      (digits > 0 && digits != std::string_view::npos &&
       (line[digits] == '.' || line[digits] == ')')))
    return "numbered lists, rules and other list markers are not supported";
  if (line.front() == '#') return "only \"# \" and \"## \" headings are supported";
  return "";
}

// ---- little-endian writing ----

void U8(std::string& out, unsigned v) { out += static_cast<char>(v & 0xFF); }
void U16(std::string& out, unsigned v) {
  U8(out, v);
  U8(out, v >> 8);
}
void U32(std::string& out, std::uint32_t v) {
  U16(out, v & 0xFFFF);
  U16(out, v >> 16);
}
void Put32(std::string& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// The compressed numbers of topic records: the low bit of the first byte tells the width.
void CompressedLong(std::string& out, std::int32_t v) {  // 2 or 4 bytes, biased
  if (v >= -16384 && v < 16384)
    U16(out, static_cast<unsigned>(v * 2 + 0x8000));
  else
    U32(out, static_cast<std::uint32_t>(v) * 2 + 0x80000001u);
}
void CompressedUshort(std::string& out, unsigned v) {  // 1 or 2 bytes
  if (v < 128)
    U8(out, v * 2);
  else
    U16(out, v * 2 + 1);
}
void CompressedShort(std::string& out, int v) {  // 1 or 2 bytes, biased
  if (v >= -64 && v < 64)
    U8(out, static_cast<unsigned>(v * 2 + 0x80));
  else
    U16(out, static_cast<unsigned>(v * 2 + 0x8001));
}

// An internal file: its 9-byte header and its bytes.
std::string InternalFile(const std::string& data) {
  std::string out;
  U32(out, static_cast<std::uint32_t>(data.size() + 9));  // reserved space, header included
  U32(out, static_cast<std::uint32_t>(data.size()));      // used space
  U8(out, 4);                                             // a normal file
  return out + data;
}

// A B+ tree of one leaf page holding the given entries (already in key order).
std::string OneLeafTree(unsigned flags, std::string_view structure, unsigned pageSize,
                        const std::vector<std::string>& entries) {
  std::string out;
  U16(out, 0x293B);
  U16(out, flags);
  U16(out, pageSize);
  std::string shape(structure);
  shape.resize(16, '\0');
  out += shape;
  U16(out, 0);       // must be zero
  U16(out, 0);       // page splits
  U16(out, 0);       // root page
  U16(out, 0xFFFF);  // must be -1
  U16(out, 1);       // pages
  U16(out, 1);       // levels
  U32(out, static_cast<std::uint32_t>(entries.size()));
  std::string page;
  for (const auto& entry : entries) page += entry;
  std::string header;
  U16(header, static_cast<unsigned>(pageSize - 8 - page.size()));  // bytes unused
  U16(header, static_cast<unsigned>(entries.size()));
  U16(header, 0xFFFF);  // no previous page
  U16(header, 0xFFFF);  // no next page
  page = header + page;
  page.resize(pageSize, '\0');
  return out + page;
}

// Fonts: 0 text, 1 bold text, 2 heading, 3 title.
enum Font { kText, kBold, kHeadingFont, kTitleFont };

std::string FontFile() {
  const std::string face = "Arial";
  constexpr unsigned kFaceSize = 32;
  std::string out;
  U16(out, 1);              // face names
  U16(out, 4);              // descriptors
  U16(out, 8);              // face names at
  U16(out, 8 + kFaceSize);  // descriptors at
  std::string name = face;
  name.resize(kFaceSize, '\0');
  out += name;
  struct Descriptor {
    unsigned attributes, halfPoints;
  };
  for (const Descriptor d : {Descriptor{0, 20}, Descriptor{1, 20}, Descriptor{1, 24}, Descriptor{1, 28}}) {
    U8(out, d.attributes);  // 1: bold
    U8(out, d.halfPoints);
    U8(out, 3);             // swiss
    U16(out, 0);            // face name 0
    out += std::string(3, '\0');    // black text
    out += std::string(3, '\xFF');  // on white
  }
  return out;
}

constexpr std::uint32_t kNone = 0xFFFFFFFF;
constexpr std::size_t kTopicBlock = 4096;
constexpr std::size_t kTopicBlockHeader = 12;
constexpr std::size_t kLinkHeader = 21;

// One record of the topic file: its type, LinkData1 and LinkData2.
struct Record {
  unsigned type;
  std::string data1, data2;
  int line;
};

Record TopicHeaderRecord(const std::string& title) {
  Record r{2, {}, title + '\0', 0};
  for (int i = 0; i < 7; ++i) U32(r.data1, kNone);  // sizes and positions, set when laid out
  Put32(r.data1, 12, 0);                            // topic number 0
  return r;
}

Record ParagraphRecord(const Block& block) {
  Record r{0x20, {}, {}, block.line};
  std::string format, text, pending;
  unsigned characters = 0;
  // The viewer reads a text, then a command, and so on, until the command 0xFF: each command
  // takes the text before it (often none), and a font change holds for the texts after it.
  auto command = [&](std::string_view bytes) {
    text += pending;
    text += '\0';
    characters += static_cast<unsigned>(pending.size());
    pending.clear();
    format += bytes;
  };
  auto font = [&](Font f) {
    std::string bytes = "\x80";
    U16(bytes, f);
    command(bytes);
  };
  const Font normal = block.kind == Block::kTitle     ? kTitleFont
                      : block.kind == Block::kHeading ? kHeadingFont
                                                      : kText;
  if (block.kind == Block::kItem) {
    font(kText);
    pending = "\x95";  // the bullet of the Windows character set
    command("\x83");  // a tab to the text
    ++characters;
  }
  for (const Run& run : block.runs) {
    font(run.bold && normal == kText ? kBold : normal);
    pending = run.text;
  }
  command("\x82");  // end of paragraph
  ++characters;
  command("\xFF");

  unsigned bits = 0x0002 | 0x0004;  // space above and below
  if (block.kind == Block::kItem) bits |= 0x0010 | 0x0040 | 0x0200;  // hanging indent, a tab stop
  CompressedLong(r.data1, static_cast<std::int32_t>(text.size()));
  CompressedUshort(r.data1, characters);
  U8(r.data1, 0);     // unknown
  U8(r.data1, 0x80);  // unknown, biased
  U16(r.data1, 0);    // id
  U16(r.data1, bits);
  CompressedShort(r.data1, block.kind == Block::kParagraph || block.kind == Block::kItem ? 2 : 12);
  CompressedShort(r.data1, block.kind == Block::kTitle ? 12 : 6);
  if (block.kind == Block::kItem) {
    CompressedShort(r.data1, 36);   // left indent
    CompressedShort(r.data1, -18);  // first line: the bullet hangs out
    CompressedShort(r.data1, 1);    // one tab stop
    CompressedUshort(r.data1, 36);  // at the left indent
  }
  r.data1 += format;
  r.data2 = text;
  return r;
}

}  // namespace

Parsed ParseMarkdown(std::string_view text) {
  Parsed parsed;
  Source& source = parsed.source;
  std::vector<Line> pending;  // the lines of the open block
  Block::Kind pendingKind = Block::kParagraph;
  bool hardBreak = false;  // the open block's last line ends in two blanks or more
  int number = 0;
  auto close = [&]() -> bool {
    if (pending.empty()) return true;
    Block block{pendingKind, {}, pending.front().number};
    parsed.error = SplitRuns(pending, pendingKind == Block::kTitle || pendingKind == Block::kHeading,
                             block.runs);
    pending.clear();
    if (!parsed.error.empty()) return false;
    source.blocks.push_back(std::move(block));
    return true;
  };
  auto refuse = [&](const std::string& why) {
    parsed.error = At(number, why);
    return parsed;
  };
  while (!text.empty() || number == 0) {
    const std::size_t eol = text.find('\n');
    std::string line(text.substr(0, eol));
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // Markdown drops a line's trailing blanks; two or more inside a block make a line break.
    const std::size_t end = line.find_last_not_of(' ');
    const std::size_t trailing = end == std::string::npos ? line.size() : line.size() - end - 1;
    line.resize(line.size() - trailing);
    if (number == 1 && line.rfind("# ", 0) != 0)
      return refuse("the first line must be the title, \"# Title\"");
    if (line.empty()) {
      if (!close()) return parsed;
      if (text.empty()) break;
      continue;
    }
    if (line.front() == ' ' || line.front() == '\t')
      return refuse("indented lines (code, nested lists) are not supported");
    if (line.rfind("# ", 0) == 0 || line.rfind("## ", 0) == 0) {
      if (!close()) return parsed;
      const bool title = line[1] == ' ';
      if (title != (number == 1))
        return refuse(title ? "only the first line may be a title (\"# \")"
                            : "a heading needs the title before it");
      line.erase(0, line.find_first_not_of(' ', title ? 2 : 3));
      if (!line.empty() && line.back() == '#')
        return refuse("a '#' at the end of a heading is not supported");
      pending.push_back({line, number});
      pendingKind = title ? Block::kTitle : Block::kHeading;
      if (!close()) return parsed;
      if (title) source.title = source.blocks.back().runs.front().text;
      continue;
    }
    const std::string why = BlockStart(line);
    const bool item = line.rfind("- ", 0) == 0 && line.find_first_not_of("- ") != std::string::npos;
    if (!item && !why.empty()) return refuse(why);
    if (item) {
      if (!close()) return parsed;
      // Up to four blanks after the marker; more begin code inside the item.
      const std::size_t from = line.find_first_not_of(' ', 1);
      if (from > 5) return refuse("indented lines (code, nested lists) are not supported");
      line.erase(0, from);
      if (const std::string inner = BlockStart(line); !inner.empty())
        return refuse("a list item must begin with its text: " + inner);
      pending.push_back({line, number});
      pendingKind = Block::kItem;
      hardBreak = trailing >= 2;
      continue;
    }
    if (pending.empty()) pendingKind = Block::kParagraph;
    else if (hardBreak) {
      --number;
      return refuse("a line break (two blanks at the end of a line) is not supported");
    }
    pending.push_back({line, number});
    hardBreak = trailing >= 2;
  }
  if (!close()) return parsed;
  if (source.blocks.empty() || source.blocks.front().runs.size() != 1 ||
      source.blocks.front().runs.front().bold) {
    if (parsed.error.empty()) parsed.error = At(1, "the title must be plain text");
  }
  return parsed;
}

std::int32_t ContextHash(std::string_view context) {
  std::uint32_t hash = 0;
  for (const char c : context) {
    unsigned x = 0;
    if (c >= 'A' && c <= 'Z') x = c - 'A' + 17;
    if (c >= 'a' && c <= 'z') x = c - 'a' + 17;
    if (c >= '1' && c <= '9') x = c - '0';
    if (c == '0') x = 10;
    if (c == '.') x = 12;
    if (c == '_') x = 13;
    if (x) hash = hash * 43 + x;
  }
  return static_cast<std::int32_t>(hash);
}

std::string HelpTitle(const Source& source) { return source.title + " Help"; }

std::string CompileHelp(const Source& source, std::string* error) {
  const std::string title = HelpTitle(source);
  std::vector<Record> records{TopicHeaderRecord(title)};
  for (const Block& block : source.blocks) records.push_back(ParagraphRecord(block));

  // Lay the records out in 4 KB topic blocks, none across a block's end. A position is
  // (block << 14) + the offset in the block, its 12-byte header included.
  std::vector<std::uint32_t> positions;
  std::size_t block = 0, offset = kTopicBlockHeader;
  for (const Record& r : records) {
    const std::size_t size = kLinkHeader + r.data1.size() + r.data2.size();
    if (size > kTopicBlock - kTopicBlockHeader) {
      if (error) *error = At(r.line, "the block is too long for a topic block of the help file");
      return "";
    }
    if (offset + size > kTopicBlock) ++block, offset = kTopicBlockHeader;
    positions.push_back(static_cast<std::uint32_t>((block << 14) + offset));
    offset += size;
  }
  std::string topic((block + 1) * kTopicBlock, '\0');
  std::size_t topicSize = 0;
  for (std::size_t i = 0; i < records.size(); ++i) topicSize += kLinkHeader + records[i].data1.size() + records[i].data2.size();
  Put32(records[0].data1, 0, static_cast<std::uint32_t>(topicSize));  // the topic's size
  Put32(records[0].data1, 20, records.size() > 1 ? positions[1] : kNone);  // scrolling region
  for (std::size_t i = 0; i < records.size(); ++i) {
    const Record& r = records[i];
    std::string link;
    U32(link, static_cast<std::uint32_t>(kLinkHeader + r.data1.size() + r.data2.size()));
    U32(link, static_cast<std::uint32_t>(r.data2.size()));
    U32(link, i == 0 ? kNone : positions[i - 1]);
    U32(link, i + 1 < records.size() ? positions[i + 1] : kNone);
    U32(link, static_cast<std::uint32_t>(kLinkHeader + r.data1.size()));
    U8(link, r.type);
    link += r.data1 + r.data2;
    const std::size_t at = (positions[i] >> 14) * kTopicBlock + (positions[i] & 0x3FFF);
    topic.replace(at, link.size(), link);
  }
  for (std::size_t b = 0; b <= block; ++b) {
    // The last record starting in the block, the first, and the last topic header so far.
    std::uint32_t first = kNone, last = kNone;
    for (const std::uint32_t p : positions)
      if ((p >> 14) == b) {
        if (first == kNone) first = p;
        last = p;
      }
    Put32(topic, b * kTopicBlock, last);
    Put32(topic, b * kTopicBlock + 4, first);
    Put32(topic, b * kTopicBlock + 8, positions[0]);
  }

  std::string system;
  U16(system, 0x036C);
  U16(system, 21);  // Windows Help 3.1
  U16(system, 1);
  U32(system, 0);  // no date: the same source gives the same file
  U16(system, 0);  // topic blocks of 4 KB, uncompressed
  U16(system, 1);  // the title
  U16(system, static_cast<unsigned>(title.size() + 1));
  system += title + '\0';

  std::string contextEntry;
  U32(contextEntry, static_cast<std::uint32_t>(ContextHash(kTopicContext)));
  U32(contextEntry, 0);  // the topic's offset: the first one
  const std::string context = OneLeafTree(0x0002, "L4", 1024, {contextEntry});

  // The internal files after the header, the directory last.
  const std::pair<std::string, std::string> files[] = {
      {"|CONTEXT", InternalFile(context)}, {"|FONT", InternalFile(FontFile())},
      {"|SYSTEM", InternalFile(system)},   {"|TOPIC", InternalFile(topic)}};
  std::string body;
  std::vector<std::string> entries;
  for (const auto& [name, bytes] : files) {
    std::string entry = name + '\0';
    U32(entry, static_cast<std::uint32_t>(16 + body.size()));
    entries.push_back(entry);
    body += bytes;
  }
  const std::string directory = InternalFile(OneLeafTree(0x0402, "z4", 1024, entries));
  std::string out;
  U32(out, 0x00035F3F);
  U32(out, static_cast<std::uint32_t>(16 + body.size()));
  U32(out, kNone);  // no free blocks
  U32(out, static_cast<std::uint32_t>(16 + body.size() + directory.size()));
  return out + body + directory;
}

std::string ContentsFile(const Source& source, std::string_view hlpName) {
  return ":Base " + std::string(hlpName) + "\r\n:Title " + HelpTitle(source) + "\r\n1 " +
         source.title + "=" + std::string(kTopicContext) + "\r\n";
}

}  // namespace vx::help
