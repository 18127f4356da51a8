#include "shell/HelpText.h"

#include <algorithm>

namespace vx {

std::string HelpMissingMessage(const std::string& path) {
  return "Help is not available: cannot open " + path + ".";
}

std::string HelpEmptyMessage(const std::string& path) {
  return "Help is not available: " + path + " is empty.";
}

std::string HelpCutNote(std::uint64_t shown, std::uint64_t total) {
  return "[The help file is cut short here: " + std::to_string(shown) + " of its " +
         std::to_string(total) + " bytes are shown.]";
}

std::string EditControlText(std::string_view head, std::uint64_t fileSize, std::size_t limit) {
  const std::size_t note = 4 + HelpCutNote(fileSize, fileSize).size();  // the note and its blank line
  const std::size_t budget = limit > note ? limit - note : 0;
  std::string text;
  text.reserve(std::min(head.size() + head.size() / 16 + 2, limit + 2));
  // Where the text may be cut, and the bytes of the file shown up to there: the last line start
  // within the budget; else inside the first line, whose text and bytes match one to one.
  std::size_t cutText = 0, cutBytes = 0;
  std::size_t firstLineEnd = std::string::npos;
  std::size_t i = 0;
  for (; i < head.size() && text.size() <= limit; ++i) {
    const char c = head[i];
    if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < head.size() && head[i + 1] == '\n') ++i;
      firstLineEnd = std::min(firstLineEnd, text.size());
      text += "\r\n";
      if (text.size() <= budget) cutText = text.size(), cutBytes = i + 1;
    } else {
      text += c == '\0' ? ' ' : c;
    }
  }
  if (i == head.size() && head.size() >= fileSize && text.size() <= limit) return text;
  if (budget == 0) return {};
  if (cutText == 0) cutText = cutBytes = std::min({budget, firstLineEnd, text.size()});
  text.resize(cutText);
  return text + "\r\n" + HelpCutNote(cutBytes, fileSize);
}

HelpWindowText HelpWindowTextOf(std::string_view head, std::uint64_t fileSize) {
  if (fileSize <= kHelpMarkdownLimit && head.size() >= fileSize)
    return {std::string(head.substr(0, static_cast<std::size_t>(fileSize))), true};
  head = head.substr(0, kHelpPlainLimit);
  HelpWindowText shown;
  shown.text.reserve(head.size() + head.size() / kHelpLineLimit + 128);
  std::size_t lineStart = 0;  // where the current line began in shown.text
  for (const char c : head) {
    const bool continuation = (static_cast<unsigned char>(c) & 0xC0) == 0x80;
    // Continuation bytes stay with their sequence (at most four bytes long): the break comes before
    // the next one that starts.
    const std::size_t length = shown.text.size() - lineStart;
    if ((length >= kHelpLineLimit && !continuation) || length >= kHelpLineLimit + 4) {
      shown.text += '\n';
      lineStart = shown.text.size();
    }
    shown.text += c == '\0' ? ' ' : c;
    if (c == '\n' || c == '\r') lineStart = shown.text.size();
  }
  if (head.size() < fileSize) shown.text += "\n\n" + HelpCutNote(head.size(), fileSize);
  return shown;
}

}  // namespace vx
