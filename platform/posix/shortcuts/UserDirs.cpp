#include "platform/posix/shortcuts/UserDirs.h"

#include <vector>

namespace vx::posix {

namespace {

constexpr std::string_view kDesktopKey = "XDG_DESKTOP_DIR";
constexpr int kEnd = -1;

bool OneOf(int c, std::string_view set) {
  return c > 0 && set.find(static_cast<char>(c)) != std::string_view::npos;
}

bool IsBlank(int c) { return c == ' ' || c == '\t'; }

bool IsNameStart(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }

bool IsNameCharacter(int c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }

// A parameter sh names with one character after '$': a positional or a special one.
bool IsOneCharacterParameter(int c) { return (c >= '0' && c <= '9') || OneOf(c, "@*#?-$!"); }

// Characters that end a word and start an operator this reader does not follow.
bool IsOperator(int c) { return OneOf(c, "&|<>()"); }

bool EndsWord(int c) { return c == kEnd || IsBlank(c) || c == '\n' || c == ';' || IsOperator(c); }

bool IsName(std::string_view s) {
  if (s.empty() || !IsNameStart(s.front())) return false;
  for (char c : s)
    if (!IsNameCharacter(c)) return false;
  return true;
}

bool IsReservedWord(std::string_view s) {
  for (std::string_view word : {"!", "{", "}", "case", "do", "done", "elif", "else", "esac", "fi",
                                "for", "if", "in", "then", "until", "while"})
    if (s == word) return true;
  return false;
}

// One word as sh reads it, as far as this reader needs it.
struct Word {
  std::string text;                        // quotes removed, $HOME put in
  bool plain = true;                       // unquoted literal text only, so far
  std::size_t equals = std::string::npos;  // the '=' of an assignment NAME=value
  bool usesHome = false;                   // the value holds $HOME
  bool homeFirst = false;                  // ... right at its start
  bool unknown = false;                    // it holds an expansion this reader cannot know
};

enum class Outcome { kGoOn, kStop, kBroken };

// sh's lexer over the text of one file, one word at a time.
class Lexer {
 public:
  Lexer(std::string_view text, std::string_view home) : m_text(text), m_home(home) {}

  // The next character outside single quotes and comments: there sh drops backslash-newline pairs
  // wherever they are, even within a name.
  int Peek() {
    while (m_at + 1 < m_text.size() && m_text[m_at] == '\\' && m_text[m_at + 1] == '\n') m_at += 2;
    return Raw();
  }
  int Raw() const { return m_at < m_text.size() ? static_cast<unsigned char>(m_text[m_at]) : kEnd; }
  void Advance() { ++m_at; }

  void SkipComment() {
    while (Raw() != kEnd && Raw() != '\n') Advance();
  }

  // Reads the word that starts here.
  Outcome ReadWord(Word& word) {
    bool tildePlace = false;  // where sh reads '~' as the home folder in an assignment's value
    for (;;) {
      const int c = Peek();
      if (EndsWord(c)) return Outcome::kGoOn;
      const bool atTilde = tildePlace;
      tildePlace = false;
      Advance();
      if (c == '\\') {
        // An escaped character; at the very end of the file the backslash stays.
        word.plain = false;
        if (Raw() == kEnd) {
          word.text += '\\';
        } else {
          word.text += static_cast<char>(Raw());
          Advance();
        }
      } else if (c == '\'') {
        word.plain = false;
        for (;; Advance()) {
          if (Raw() == kEnd) return Outcome::kBroken;
          if (Raw() == '\'') break;
          word.text += static_cast<char>(Raw());
        }
        Advance();
      } else if (c == '"') {
        word.plain = false;
        if (Outcome o = ReadDoubleQuoted(word); o != Outcome::kGoOn) return o;
      } else if (c == '$') {
        word.plain = false;
        if (Outcome o = ReadDollar(word); o != Outcome::kGoOn) return o;
      } else if (c == '`') {
        return Outcome::kStop;
      } else if (c == '~' && atTilde) {
        // "~" alone, or before '/' or ':', is the home folder; "~name" another account's.
        const int next = Peek();
        if (next == '/' || next == ':' || EndsWord(next))
          PutHome(word);
        else
          word.unknown = true;
      } else {
        word.text += static_cast<char>(c);
        const std::string_view before = std::string_view(word.text).substr(0, word.text.size() - 1);
        if (c == '=' && word.plain && word.equals == std::string::npos && IsName(before)) {
          word.equals = word.text.size() - 1;
          tildePlace = true;
        } else if (c == ':' && word.equals != std::string::npos) {
          tildePlace = true;
        }
      }
    }
  }

 private:
  // After the opening quote: a backslash escapes $ ` " \ and stays before anything else.
  Outcome ReadDoubleQuoted(Word& word) {
    for (;;) {
      const int c = Peek();
      if (c == kEnd) return Outcome::kBroken;
      Advance();
      if (c == '"') return Outcome::kGoOn;
      if (c == '`') return Outcome::kStop;
      if (c == '$') {
        if (Outcome o = ReadDollar(word); o != Outcome::kGoOn) return o;
      } else if (c == '\\' && OneOf(Raw(), "$`\"\\")) {
        word.text += static_cast<char>(Raw());
        Advance();
      } else {
        word.text += static_cast<char>(c);
      }
    }
  }

  // After a '$': $HOME and ${HOME} are known; another parameter is not, but sh's reading of the
  // rest does not depend on it; $(...) and other ${...} forms are beyond this reader. Before
  // anything else the '$' is itself.
  Outcome ReadDollar(Word& word) {
    const int c = Peek();
    std::string name;
    if (c == '{') {
      Advance();
      if (IsOneCharacterParameter(Peek())) {
        name += static_cast<char>(Peek());
        Advance();
      } else {
        for (; IsNameCharacter(Peek()); Advance()) name += static_cast<char>(Raw());
      }
      if (name.empty() || Peek() != '}') return Outcome::kStop;
      Advance();
    } else if (c == '(') {
      return Outcome::kStop;
    } else if (IsNameStart(c)) {
      for (; IsNameCharacter(Peek()); Advance()) name += static_cast<char>(Raw());
    } else if (IsOneCharacterParameter(c)) {
      Advance();
      word.unknown = true;
      return Outcome::kGoOn;
    } else {
      word.text += '$';
      return Outcome::kGoOn;
    }
    if (name == "HOME")
      PutHome(word);
    else
      word.unknown = true;
    return Outcome::kGoOn;
  }

  void PutHome(Word& word) {
    word.usesHome = true;
    if (word.text.size() == word.equals + 1) word.homeFirst = true;
    word.text += m_home;
  }

  std::string_view m_text;
  std::string_view m_home;
  std::size_t m_at = 0;
};

// One assignment's folder: its text with $HOME put in, and whether it used $HOME.
struct Setting {
  std::string path;
  bool usesHome = false;
};

std::optional<Setting> DesktopSetting(const Word& word, std::string_view home) {
  if (std::string_view(word.text).substr(0, word.equals) != kDesktopKey || word.unknown)
    return std::nullopt;
  Setting setting{word.text.substr(word.equals + 1), word.usesHome};
  // Under an empty home the folder is unknown, but it is still this line's.
  if (setting.path.empty() || (setting.path.front() != '/' && !(home.empty() && word.homeFirst)))
    return std::nullopt;
  // A NUL or another control character names no folder anyone made on purpose.
  for (char c : setting.path)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return std::nullopt;
  return setting;
}

// The last desktop setting of the text, as sh runs it, up to where this reader stops; nullopt with
// *fault set when sh could not parse the text.
std::optional<std::optional<Setting>> ReadSettings(std::string_view text, std::string_view home,
                                                   std::string* fault) {
  Lexer lexer(text, home);
  std::optional<Setting> found;
  std::vector<Word> command;
  auto endCommand = [&] {
    bool assignments = true;
    for (const Word& word : command) assignments = assignments && word.equals != std::string::npos;
    if (assignments)
      for (const Word& word : command)
        if (auto setting = DesktopSetting(word, home)) found = std::move(setting);
    command.clear();
  };
  for (;;) {
    const int c = lexer.Peek();
    if (IsBlank(c)) {
      lexer.Advance();
    } else if (c == '#') {
      lexer.SkipComment();
    } else if (c == '\n' || c == kEnd) {
      endCommand();
      if (c == kEnd) return found;
      lexer.Advance();
    } else if (c == ';') {
      if (command.empty()) {
        *fault = "\";\" with no command before it";
        return std::nullopt;
      }
      endCommand();
      lexer.Advance();
    } else if (IsOperator(c)) {
      return found;
    } else {
      Word word;
      switch (lexer.ReadWord(word)) {
        case Outcome::kGoOn:
          break;
        case Outcome::kStop:
          return found;
        case Outcome::kBroken:
          *fault = "a quote is still open at the end of the file";
          return std::nullopt;
      }
      // A reserved word opens or closes a compound command, which sh may run otherwise or not at
      // all: the rest of the file is beyond this reader.
      if (command.empty() && word.plain && IsReservedWord(word.text)) return found;
      command.push_back(std::move(word));
    }
  }
}

}  // namespace

std::string DesktopFolder(const std::optional<std::string>& userDirsText, std::string_view home,
                          std::string* fault) {
  std::string ignored;
  std::optional<Setting> found;
  if (userDirsText)
    if (auto settings = ReadSettings(*userDirsText, home, fault ? fault : &ignored))
      found = std::move(*settings);
  if (!found) found = Setting{std::string(home) + "/Desktop", true};
  if (found->usesHome && home.empty()) return "";
  return WithoutExtraSeparators(found->path);
}

std::string WithoutExtraSeparators(std::string_view path) {
  std::string out;
  for (char c : path)
    if (c != '/' || out.empty() || out.back() != '/') out += c;
  if (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

}  // namespace vx::posix
