// A registry hive in memory, read from and written back as REGEDIT4 text.
//
// The text is what regedit exports and a person can edit:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Vexmor_Rec]
//   ;Class="Vexmor_Rec"
//   "Port"=dword:00000330
//   "Name"="C:\\Apps\\Panel"
//   @="the key's default value"
//   "Blob"=hex:01,02,03,\   (a long list goes on, after ",\", on the next line:)
//     04,05
//   "Other"=hex(b):01,00,00,00,00,00,00,00
//
// Keys are full paths, root included; a key's parents exist without a line of their own. A key's
// class string is kept as a comment line ";Class="..."" directly under its key line, so the file
// stays plain REGEDIT4 (regedit ignores it as a comment). Other comment lines are kept where they
// stood. A line that is neither a key, a value nor a comment (and every value under a key line
// that cannot be read) does not cost the rest of the hive: it is reported as a problem and kept,
// as a comment starting "; unreadable: ", at its place.
//
// Key paths and value names compare without regard to ASCII letter case, as Windows compares them,
// and keep the spelling they were first written with. Nothing here touches a file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx::posix {

class Hive {
 public:
  struct Value {
    std::string name;  // "" is the key's default value, written as @=
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
  };
  // One line under a key line, in file order: a value or a comment (text without the newline).
  struct Line {
    bool isValue = false;
    Value value;
    std::string comment;
  };
  struct Key {
    std::string path;  // full path as first written, e.g. HKEY_CURRENT_USER\Software\Vexmor_Rec
    std::string keyClass;
    std::vector<Line> lines;
  };
  struct Problem {
    std::size_t line = 0;  // 1-based line number in the text
    std::string text;
  };
  struct ParseResult {
    bool readable = false;  // false: not a REGEDIT4 text at all (nothing of it is used)
    std::string whyNot;
    std::vector<Problem> problems;  // lines kept as comments
  };

  // Replaces this hive with the text's keys. A text that is empty (or only white space) is an
  // empty hive; one that does not start with the line REGEDIT4, or holds NUL bytes, is not
  // readable and leaves the hive empty.
  ParseResult Parse(std::string_view text);
  std::string Write() const;

  // The key's own entry, or null when the key has no line (it may still exist as a parent).
  const Key* Find(std::string_view path) const;
  // True when the key has a line or is the parent of one.
  bool Exists(std::string_view path) const;
  // Gives the key a line of its own when it has none, spelling the parents that exist as they
  // are already spelt; the class is set only when the key gets its line now.
  Key& Create(std::string_view path, std::string_view keyClass);
  // Creates the key (as Create, without class) when needed and replaces or adds the value.
  void SetValue(std::string_view path, Value value);
  // Removes the key and every key below it (not keys that merely start with the same text).
  // Answers whether anything existed there.
  bool Delete(std::string_view path);

  static const Value* FindValue(const Key& key, std::string_view name);
  const std::vector<Key>& Keys() const { return m_keys; }

 private:
  Key* FindMutable(std::string_view path);
  std::vector<std::string> m_preamble;  // comment lines before the first key line
  std::vector<Key> m_keys;
};

// ASCII case-insensitive equality, as key and value names compare.
bool SameName(std::string_view a, std::string_view b);

}  // namespace vx::posix
