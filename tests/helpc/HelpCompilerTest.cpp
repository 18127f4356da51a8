// The help compiler: generated help sources compile into files whose structure a viewer can walk
// (header, directory tree, internal files, topic blocks and records), holding every block's text;
// what the file holds is what Qt's Markdown reader (the Linux help window's) makes of the same
// source, or the source is refused, naming the line that holds what it cannot express.
#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tools/helpc/HelpCompiler.h"

namespace {

using namespace vx::help;

std::uint32_t U32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b.at(at + i));
  return v;
}
unsigned U16(const std::string& b, std::size_t at) {
  return static_cast<unsigned char>(b.at(at)) | static_cast<unsigned char>(b.at(at + 1)) << 8;
}

// The leaf entries of a one-page B+ tree at `at`, each `fixed` bytes after a NUL-ended key (or
// `fixed` bytes alone when the keys are not strings).
std::vector<std::string> LeafEntries(const std::string& b, std::size_t at, bool stringKeys) {
  EXPECT_EQ(U16(b, at), 0x293Bu);
  const unsigned pageSize = U16(b, at + 4), levels = U16(b, at + 32), root = U16(b, at + 26);
  EXPECT_EQ(levels, 1u);
  const std::size_t page = at + 38 + root * pageSize;
  EXPECT_LE(page + pageSize, b.size());
  const unsigned count = U16(b, page + 2);
  EXPECT_EQ(count, U32(b, at + 34));
  std::vector<std::string> entries;
  std::size_t p = page + 8;
  for (unsigned i = 0; i < count; ++i) {
    const std::size_t size = stringKeys ? std::strlen(b.c_str() + p) + 5 : 8;
    entries.push_back(b.substr(p, size));
    p += size;
  }
  EXPECT_EQ(U16(b, page), pageSize - (p - page));  // the bytes left unused
  return entries;
}

// A block as shown: its kind ('1' and '2' heading levels, 'i' a list item, 'p' a paragraph) and its
// text in runs of one emphasis ('b' bold, 'i' italic, 's' struck out, '-' plain).
struct Shown {
  char kind = 'p';
  std::vector<std::pair<std::string, std::string>> runs;
  void Add(const std::string& text, const std::string& emphasis) {
    if (text.empty()) return;
    if (!runs.empty() && runs.back().second == emphasis)
      runs.back().first += text;
    else
      runs.push_back({text, emphasis});
  }
  bool operator==(const Shown&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Shown& b) {
  out << b.kind << ':';
  for (const auto& [text, emphasis] : b.runs) out << " [" << emphasis << "]" << text;
  return out << "\n";
}

struct Walked {
  std::map<std::string, std::string> files;
  std::string title;
  std::vector<std::string> paragraphs;
  std::vector<Shown> blocks;
};

// The compressed numbers of a paragraph record: the low bit of the first byte tells the width;
// a short's value is biased by half its range.
int Compressed(const std::string& b, std::size_t& at, std::size_t wide, bool biased = false) {
  const bool twice = b.at(at) & 1;
  const unsigned v = twice ? (wide == 4 ? U32(b, at) : U16(b, at))
                           : (wide == 4 ? U16(b, at) : b.at(at) & 0xFF);
  at += twice ? wide : wide / 2;
  const int bits = static_cast<int>(8 * (twice ? wide : wide / 2));
  return static_cast<int>(v >> 1) - (biased ? 1 << (bits - 2) : 0);
}

// A paragraph record's texts, each in the font its commands set; a bullet and a tab first make
// a list item, the first font's size a heading (28 and 24 half-points) or a paragraph.
Shown Decode(const std::string& topic, std::size_t at, const std::string& fonts) {
  std::size_t p = at + 21;
  const std::size_t textAt = at + U32(topic, at + 16), end = at + U32(topic, at);
  Compressed(topic, p, 4);  // text size
  Compressed(topic, p, 2);  // characters
  p += 4;                   // two bytes unknown, the id
  const unsigned bits = U16(topic, p);
  p += 2;
  for (const unsigned bit : {0x0002u, 0x0004u, 0x0008u, 0x0010u, 0x0020u, 0x0040u})
    if (bits & bit) Compressed(topic, p, 2);
  if (bits & 0x0100) p += 3;
  if (bits & 0x0200)
    for (int tabs = Compressed(topic, p, 2, true); tabs > 0; --tabs) Compressed(topic, p, 2);
  Shown shown;
  std::size_t text = textAt;
  std::size_t font = 0;
  int size = 0;
  bool bullet = false, first = true;
  for (;;) {
    const std::string piece = topic.c_str() + text;
    text += piece.size() + 1;
    EXPECT_LE(text, end);
    auto descriptor = [&](std::size_t field) {
      return fonts.at(U16(fonts, 6) + 11 * font + field);
    };
    const bool bold = size && (descriptor(0) & 1);
    if (first && piece == "\x95") bullet = true;
    else if (!piece.empty()) shown.Add(piece, bold ? "b" : "-"), first = false;
    const unsigned command = static_cast<unsigned char>(topic.at(p++));
    if (command == 0xFF) break;
    if (command == 0x80) {
      font = U16(topic, p);
      p += 2;
      if (size == 0) size = descriptor(1);
    } else if (command == 0x83) {
      EXPECT_TRUE(bullet && first) << "a tab after text";
    } else {
      EXPECT_EQ(command, 0x82u) << "an unknown command";
    }
  }
  shown.kind = bullet ? 'i' : size == 28 ? '1' : size == 24 ? '2' : 'p';
  return shown;
}

// Walks the file as a viewer does; answers the internal files by name and the topic's texts, one
// string per paragraph record with its strings joined, and each record as shown.
Walked Walk(const std::string& b) {
  Walked w;
  EXPECT_EQ(U32(b, 0), 0x00035F3Fu);
  EXPECT_EQ(U32(b, 12), b.size());
  const auto directory = LeafEntries(b, U32(b, 4) + 9, true);
  std::string previous;
  for (const std::string& entry : directory) {
    const std::string name = entry.c_str();
    EXPECT_LT(previous, name);  // in strcmp order, as the viewers search them
    previous = name;
    const std::size_t at = U32(entry, name.size() + 1);
    EXPECT_GE(U32(b, at), U32(b, at + 4) + 9);
    EXPECT_LE(at + U32(b, at), b.size());
    w.files[name] = b.substr(at + 9, U32(b, at + 4));
  }
  const std::string& system = w.files["|SYSTEM"];
  EXPECT_EQ(U16(system, 0), 0x036Cu);
  EXPECT_EQ(U16(system, 12), 1u);  // the title record
  w.title = system.c_str() + 16;
  const std::string& topic = w.files["|TOPIC"];
  EXPECT_EQ(topic.size() % 4096, 0u);
  for (std::uint32_t ref = 12; ref != 0xFFFFFFFF;) {
    const std::size_t block = ref >> 14, offset = ref & 0x3FFF;
    const std::size_t at = block * 4096 + offset;
    const std::uint32_t size = U32(topic, at), data2 = U32(topic, at + 4), data1 = U32(topic, at + 16);
    EXPECT_GE(data1, 21u);
    EXPECT_EQ(size, data1 + data2);
    EXPECT_LE(offset + size, 4096u) << "a record across a topic block's end";
    const unsigned type = static_cast<unsigned char>(topic[at + 20]);
    std::string texts = topic.substr(at + data1, data2);
    if (type == 2) {
      EXPECT_EQ(texts, w.title + '\0');
    } else {
      EXPECT_EQ(type, 0x20u);
      std::string joined;
      for (char c : texts) joined += c == '\0' ? "" : std::string(1, c);
      w.paragraphs.push_back(joined);
      w.blocks.push_back(Decode(topic, at, w.files["|FONT"]));
      EXPECT_EQ(static_cast<unsigned char>(topic[at + data1 - 1]), 0xFFu);  // the commands end
    }
    ref = U32(topic, at + 12);
  }
  return w;
}

// What Qt's Markdown reader, the Linux help window's, makes of a source: each block's kind, words
// and emphasis.
std::vector<Shown> QtShows(const std::string& source) {
  static int argc = 1;
  static char name[] = "helpc_tests";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
  QTextDocument document;
  document.setMarkdown(QString::fromUtf8(source.data(), static_cast<qsizetype>(source.size())));
  std::vector<Shown> blocks;
  for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
    Shown shown;
    const int level = b.blockFormat().headingLevel();
    shown.kind = b.textList() ? 'i' : level ? static_cast<char>('0' + level) : 'p';
    for (auto f = b.begin(); !f.atEnd(); ++f) {
      const QTextCharFormat format = f.fragment().charFormat();
      std::string emphasis = std::string(format.font().bold() ? "b" : "") +
                             (format.fontItalic() ? "i" : "") + (format.fontStrikeOut() ? "s" : "");
      shown.Add(f.fragment().text().toStdString(), emphasis.empty() ? "-" : emphasis);
    }
    blocks.push_back(shown);
  }
  return blocks;
}

// A help source built from what the help uses (headings, items, paragraphs over several lines,
// bold runs, its words and punctuation) and the Markdown around it that the help file might
// show otherwise: setext underlines, rules, entities, strikethrough, '**' beside blanks and
// punctuation, nested bold, trailing blanks (hard breaks), blanks after the markers, closing '#'.
std::string GeneratedSource(std::mt19937& random) {
  const char* words[] = {"Mic",  "Volume", "(Alt+V)", "0x330", "card's", "Up/Page", "Down,", "on.",
                         "VEXMOR_PORTS", "16", "Bit", "gain:", "-", "A+B", "1.", "e.g.", "a", "b"};
  const char* odd[] = {"&amp;", "&copy;", "AT&T", "~~x~~", "~/", "_x_", "a ** b ** c",
                       "**a **b** c**", "**", "*", "***", "x**y**z", "**(Alt+V)**", "a**(b)**",
                       "**x.**y", "#", "&#65;", "&nbsp", "\\", "www.example.com", "a@b.example",
                       "http://x.example"};
  auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
  const int oddWords = chance(40) ? 0 : 4;  // in percent
  auto line = [&](int boldChance = 30) {
    std::string text;
    const int n = 1 + static_cast<int>(random() % 7);
    int boldFrom = chance(boldChance) ? static_cast<int>(random() % n) : -1;
    int boldTo = boldFrom < 0 ? -1 : boldFrom + static_cast<int>(random() % (n - boldFrom));
    for (int k = 0; k < n; ++k) {
      if (k) text += chance(10) ? "  " : " ";
      if (k == boldFrom) text += "**";
      text += chance(oddWords) ? odd[random() % std::size(odd)]
                               : words[random() % std::size(words)];
      if (k == boldTo) text += "**";
    }
    return text + std::string(chance(70) ? 0 : random() % 4, ' ');
  };
  std::string source = "#" + std::string(chance(90) ? 1 : 2, ' ') + "Vexmor " + line(3) + "\n";
  for (int blocks = static_cast<int>(random() % 8); blocks > 0; --blocks) {
    if (chance(80)) source += "\n";
    const int kind = static_cast<int>(random() % 10);
    if (kind < 2) {
      source += "##" + std::string(chance(85) ? 1 : 2, ' ') + line(5);
      source += chance(10) ? " ##\n" : "\n";
    } else if (kind < 5) {
      source += "-" + std::string(chance(80) ? 1 : chance(50) ? 2 : 5, ' ') + line() + "\n";
      if (chance(30)) source += line() + "\n";
    } else if (kind < 9) {
      for (int lines = 1 + static_cast<int>(random() % 3); lines > 0; --lines)
        source += line() + "\n";
      if (chance(8)) source += std::string(chance(50) ? "--" : chance(50) ? "-" : "===") + "\n";
    } else {
      source += std::string(chance(50) ? "- - -" : "2. item") + "\n";
    }
  }
  return source;
}

// The line a refusal names must hold what it names.
bool NamedLineHoldsIt(const std::string& error, const std::string& line) {
  auto has = [&](const char* what) { return error.find(what) != std::string::npos; };
  auto holds = [&](const char* chars) { return line.find_first_of(chars) != std::string::npos; };
  const std::string trimmed = line.substr(0, line.find_last_not_of(' ') + 1);
  if (has("list item")) return line.rfind("- ", 0) == 0;
  if (has("printable ASCII"))
    return std::any_of(line.begin(), line.end(), [](char c) { return c < 0x20 || c & 0x80; });
  if (has("indented")) return line.rfind(" ", 0) == 0 || line.rfind("-     ", 0) == 0;
  if (has("underlined") || has("rules"))
    return trimmed.find_first_not_of("-= ") == std::string::npos || holds("+=0123456789");
  if (has("line break")) return line.size() - trimmed.size() >= 2;
  if (has("heading") || has("title")) return line.rfind("#", 0) == 0;
  if (has("'*'") || has("'**'") || has("'***'")) return holds("*");
  if (has("'~'")) return holds("~");
  if (has("'&'")) return holds("&");
  if (has("'_'")) return holds("_");
  if (has("backslash")) return holds("\\");
  return false;
}

TEST(HelpCompiler, GeneratedSourcesCompileIntoFilesAViewerCanWalk) {
  std::mt19937 random(42);
  const char* words[] = {"card", "gain", "Alt+V", "0x330", "slider", "port", "VEXMOR_PORTS", "(on)"};
  for (int round = 0; round < 40; ++round) {
    std::string md = "# Title " + std::to_string(round) + "\n";
    std::vector<std::string> expected = {"Title " + std::to_string(round)};
    for (int n = random() % (round % 4 == 0 ? 300 : 12); n >= 0; --n) {
      const int kind = random() % 3;
      std::string text, plain;
      for (int k = 1 + random() % 30; k > 0; --k) {
        const std::string word = words[random() % 8];
        const bool bold = kind != 0 && random() % 5 == 0;  // none in headings
        text += (text.empty() ? "" : " ") + (bold ? "**" + word + "**" : word);
        plain += (plain.empty() ? "" : " ") + word;
      }
      md += (kind == 0 ? "\n## " : kind == 1 ? "\n- " : "\n") + text + "\n";
      expected.push_back((kind == 1 ? "\x95" : "") + plain);
    }
    const Parsed parsed = ParseMarkdown(md);
    ASSERT_EQ(parsed.error, "") << md;
    std::string error;
    const std::string file = CompileHelp(parsed.source, &error);
    ASSERT_EQ(error, "");
    const Walked w = Walk(file);
    EXPECT_EQ(w.title, "Title " + std::to_string(round) + " Help");
    EXPECT_EQ(w.paragraphs, expected) << round;
    const auto context = LeafEntries(w.files.at("|CONTEXT"), 0, false);
    ASSERT_EQ(context.size(), 1u);
    EXPECT_EQ(static_cast<std::int32_t>(U32(context[0], 0)), ContextHash(kTopicContext));
    EXPECT_EQ(ContentsFile(parsed.source, "V.hlp"),
              ":Base V.hlp\r\n:Title Title " + std::to_string(round) + " Help\r\n1 Title " +
                  std::to_string(round) + "=IDH_CONTENTS\r\n");
  }
}

// For generated sources: either the compiled file holds what the Linux window shows (same blocks
// of the same kind, same words, same emphasis), or the source is refused naming a line that holds
// what it cannot express.
TEST(HelpCompiler, TheFileHoldsWhatTheLinuxWindowShowsOrTheSourceIsRefused) {
  std::mt19937 random(21);
  int refused = 0, disagreements = 0;
  constexpr int kSources = 5000;
  for (int round = 0; round < kSources; ++round) {
    const std::string md = GeneratedSource(random);
    const Parsed parsed = ParseMarkdown(md);
    if (!parsed.error.empty()) {
      ++refused;
      const int number = std::atoi(parsed.error.c_str() + 5);
      std::istringstream lines(md);
      std::string line;
      for (int n = 0; n < number; ++n) std::getline(lines, line);
      EXPECT_TRUE(number >= 1 && NamedLineHoldsIt(parsed.error, line))
          << parsed.error << " names \"" << line << "\" in\n" << md;
      continue;
    }
    std::string error;
    const Walked w = Walk(CompileHelp(parsed.source, &error));
    ASSERT_EQ(error, "");
    const std::vector<Shown> qt = QtShows(md);
    if (w.blocks != qt) {
      ++disagreements;
      ADD_FAILURE() << "the help file and the Linux window differ for\n" << md << "help file:\n"
                    << ::testing::PrintToString(w.blocks) << "\nLinux window:\n"
                    << ::testing::PrintToString(qt);
    }
  }
  std::printf("%d sources: %d refused, %d compiled, %d shown otherwise on Linux\n", kSources,
              refused, kSources - refused, disagreements);
  EXPECT_GT(refused, kSources / 10);
  EXPECT_GT(kSources - refused, kSources / 10);
}

TEST(HelpCompiler, MarkdownItCannotExpressIsRefusedNamingTheLine) {
  const struct {
    const char* source;
    const char* error;
  } rows[] = {
      {"Title\n", "line 1: the first line must be the title"},
      {"# T\n\n### Deep\n", "line 3: only \"# \" and \"## \" headings"},
      {"# T\ntext\n\n# Again\n", "line 4: only the first line may be a title"},
      {"# T\n\n| a | b |\n", "line 3: tables"},
      {"# T\n\nsee [here](x)\n", "line 3: links"},
      {"# T\n\n- item\n  nested\n", "line 4: indented lines"},
      {"# T\n\n1. first\n", "line 3: numbered lists"},
      {"# T\n\nan *emphasis*\n", "line 3: a single '*'"},
      {"# T\n\n**open\nstill\n", "line 3: '**' is not closed"},
      {"# T\n\ncaf\xc3\xa9\n", "line 3: only printable ASCII"},
      {"# T\n\n`code`\n", "line 3: code"},
      {"# T\n\nfirst\nsecond\nthird `x`\n", "line 5: code"},
      {"# T\n\nfirst\n**open\nstill\n", "line 4: '**' is not closed"},
  };
  for (const auto& row : rows) {
    const Parsed parsed = ParseMarkdown(row.source);
    EXPECT_EQ(parsed.error.rfind(row.error, 0), 0u) << row.source << " -> " << parsed.error;
  }
  // A block longer than a topic block is refused by the compiler, naming its line.
  const Parsed long_ = ParseMarkdown("# T\n\n" + std::string(5000, 'x') + "\n");
  std::string error;
  EXPECT_EQ(CompileHelp(long_.source, &error), "");
  EXPECT_EQ(error.rfind("line 3: ", 0), 0u) << error;
}

}  // namespace
