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

// A reserved word that only continues or closes a compound command: where a command starts with
// none open, sh cannot parse the file.
bool IsClosingWord(std::string_view s) {
  for (std::string_view word : {"}", "do", "done", "elif", "else", "esac", "fi", "in", "then"})
    if (s == word) return true;
  return false;
}

// The special built-ins, before which sh keeps a command's assignments.
bool IsSpecialBuiltIn(std::string_view s) {
  for (std::string_view word : {":", ".", "break", "continue", "eval", "exec", "exit", "export",
                                "readonly", "return", "set", "shift", "times", "trap", "unset"})
    if (s == word) return true;
  return false;
}

bool IsDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
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
  std::size_t At() const { return m_at; }

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

// What is known of the exit status of the last command sh ran (0, or not known: this reader knows
// no command that fails), and of whether sh runs a command.
enum class Status { kZero, kUnknown };
enum class Runs { kYes, kNo, kMaybe };

// The last desktop setting of the text, as sh runs it, up to where this reader stops; nullopt with
// *fault set when sh could not parse the text.
//
// A command is words and redirections. Its assignments stay when it is nothing but assignments, or
// when it runs `:` or `export` with plain names, whose status is 0; before any other command they
// are for that command only, and its status is not known. The other special built-ins (`unset`,
// `.`, `exit`, ...) act on what follows in ways beyond this reader: reading stops before them. Of
// an and-or list (`&&`, `||`) a command runs when the status before it says so; after a status
// that is not known, the rest of the list may run or not: reading stops at a command there that
// would set the folder or do what is beyond this reader, and goes on past the others. A
// redirection that cannot fail (to or from /dev/null, or closing a descriptor) leaves the command
// as it is; any other may fail, and sh then makes no assignment, so reading stops before that
// command.
std::optional<std::optional<Setting>> ReadSettings(std::string_view text, std::string_view home,
                                                   std::string* fault) {
  Lexer lexer(text, home);
  std::optional<Setting> found;
  std::vector<Word> command;
  bool redirected = false;         // the command holds a redirection
  Runs runs = Runs::kYes;          // whether the and-or list before the command runs it
  bool needCommand = false;        // after && or ||: a command must follow
  Status status = Status::kZero;
  // Ends the command: kStop when what it does is beyond this reader, kBroken (with *fault set)
  // when sh gives up on the file there.
  auto endCommand = [&]() -> Outcome {
    std::size_t name = 0;
    while (name < command.size() && command[name].equals != std::string::npos) ++name;
    bool keeps = name == command.size();
    Status ran = Status::kZero;
    if (!keeps) {
      const Word& first = command[name];
      const bool special = first.plain && IsSpecialBuiltIn(first.text);
      if (special && first.text == ":") {
        keeps = true;
      } else if (special && first.text == "export") {
        for (std::size_t i = name + 1; i < command.size(); ++i) {
          if (!command[i].plain) return Outcome::kStop;
          if (!IsName(command[i].text)) {
            // A special built-in's error ends a shell that reads a file.
            *fault = "\"export\" of \"" + command[i].text + "\", which is not a name";
            return Outcome::kBroken;
          }
        }
        keeps = true;
      } else if (special) {
        return Outcome::kStop;
      } else {
        ran = Status::kUnknown;
      }
    }
    if (runs != Runs::kNo && keeps) {
      for (std::size_t i = 0; i < name; ++i) {
        auto setting = DesktopSetting(command[i], home);
        if (setting && runs == Runs::kMaybe) return Outcome::kStop;
        if (setting) found = std::move(setting);
      }
    }
    if (runs != Runs::kNo) status = runs == Runs::kMaybe ? Status::kUnknown : ran;
    command.clear();
    redirected = false;
    return Outcome::kGoOn;
  };
  // What the reading gives at a command's end that is not kGoOn.
  auto stopped = [&](Outcome o) -> std::optional<std::optional<Setting>> {
    if (o == Outcome::kStop) return found;
    return std::nullopt;
  };
  // A redirection at the operator's first character: kGoOn when it cannot fail, kStop when it may
  // (or is a here-document), kBroken with *fault set when sh cannot parse it.
  auto readRedirection = [&]() -> Outcome {
    const int first = lexer.Peek();
    lexer.Advance();
    const int second = lexer.Peek();
    bool duplicates = false;
    if (first == '<' && second == '<') return Outcome::kStop;  // a here-document
    if (second == '&') {
      duplicates = true;
      lexer.Advance();
    } else if ((first == '>' && (second == '>' || second == '|')) ||
               (first == '<' && second == '>')) {
      lexer.Advance();
    }
    while (IsBlank(lexer.Peek())) lexer.Advance();
    const std::size_t at = lexer.At();
    Word target;
    if (const Outcome o = lexer.ReadWord(target); o != Outcome::kGoOn) {
      if (o == Outcome::kBroken) *fault = "a quote is still open at the end of the file";
      return o;
    }
    if (lexer.At() == at) {
      *fault = "a redirection with nothing to redirect to";
      return Outcome::kBroken;
    }
    redirected = true;
    const bool safe = !target.unknown && (duplicates ? target.plain && target.text == "-"
                                                     : target.text == "/dev/null");
    return safe ? Outcome::kGoOn : Outcome::kStop;
  };
  for (;;) {
    const int c = lexer.Peek();
    if (IsBlank(c)) {
      lexer.Advance();
    } else if (c == '#') {
      lexer.SkipComment();
    } else if ((c == '\n' || c == kEnd) && needCommand) {
      if (c == kEnd) {
        *fault = "\"&&\" or \"||\" with no command after it";
        return std::nullopt;
      }
      lexer.Advance();  // an and-or list goes on past line ends
    } else if (c == '\n' || c == kEnd) {
      if (const Outcome o = endCommand(); o != Outcome::kGoOn) return stopped(o);
      runs = Runs::kYes;
      if (c == kEnd) return found;
      lexer.Advance();
    } else if (c == ';') {
      if ((command.empty() && !redirected) || needCommand) {
        *fault = "\";\" with no command before it";
        return std::nullopt;
      }
      if (const Outcome o = endCommand(); o != Outcome::kGoOn) return stopped(o);
      runs = Runs::kYes;
      lexer.Advance();
    } else if (c == '<' || c == '>') {
      switch (readRedirection()) {
        case Outcome::kGoOn:
          break;
        case Outcome::kStop:
          return found;
        case Outcome::kBroken:
          return std::nullopt;
      }
      needCommand = false;
    } else if (c == '&' || c == '|') {
      lexer.Advance();
      if (lexer.Peek() != c) return found;  // a pipe or a background job: subshells
      lexer.Advance();
      if ((command.empty() && !redirected) || needCommand) {
        *fault = "\"&&\" or \"||\" with no command before it";
        return std::nullopt;
      }
      if (const Outcome o = endCommand(); o != Outcome::kGoOn) return stopped(o);
      if (status == Status::kUnknown)
        runs = Runs::kMaybe;
      else
        runs = (c == '&') == (status == Status::kZero) ? Runs::kYes : Runs::kNo;
      needCommand = true;
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
      needCommand = false;
      // A number right before '<' or '>' names the descriptor of a redirection.
      if (word.plain && IsDigits(word.text) && (lexer.Peek() == '<' || lexer.Peek() == '>'))
        continue;
      const bool commandStart = command.empty() && !redirected;
      if (commandStart && word.plain && IsClosingWord(word.text)) {
        *fault = "\"" + word.text + "\" where no compound command is open";
        return std::nullopt;
      }
      // A reserved word opens a compound command, which sh may run otherwise or not at all: the
      // rest of the file is beyond this reader.
      if (commandStart && word.plain && IsReservedWord(word.text)) return found;
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
