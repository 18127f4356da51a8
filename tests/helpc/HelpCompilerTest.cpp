// The help compiler: generated help sources compile into files whose structure a viewer can walk
// (header, directory tree, internal files, topic blocks and records), holding every block's text;
// Markdown the help file cannot express is refused, naming its line.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
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

// Walks the file as a viewer does; answers the internal files by name and the topic's texts, one
// string per paragraph record with its strings joined.
struct Walked {
  std::map<std::string, std::string> files;
  std::string title;
  std::vector<std::string> paragraphs;
};

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
      EXPECT_EQ(static_cast<unsigned char>(topic[at + data1 - 1]), 0xFFu);  // the commands end
    }
    ref = U32(topic, at + 12);
  }
  return w;
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
        const bool bold = random() % 5 == 0;
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
