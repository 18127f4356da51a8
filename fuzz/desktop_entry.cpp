// Desktop entries: reading any text is safe; the target read is the one GLib's key-file reader,
// field codes and g_shell_parse_argv give, but for the deliberate refusals; the program read from
// an entry our own writer wrote is the path given, also into storage a previous reading left; a
// path of printable ASCII is always read back.
#include <fuzzer/FuzzedDataProvider.h>
#include <glib.h>

#include "Check.h"
#include "platform/posix/shortcuts/DesktopEntry.h"
#include "platform/posix/setup/LauncherEntries.h"

namespace {

std::optional<std::string> Owned(gchar* text) {
  std::optional<std::string> copy = text ? std::optional<std::string>(text) : std::nullopt;
  return g_free(text), copy;
}

std::optional<std::string> FirstWord(const std::string& command) {
  gchar** argv = nullptr;
  if (!g_shell_parse_argv(command.c_str(), nullptr, &argv, nullptr)) return std::nullopt;
  std::string first = argv[0];
  g_strfreev(argv);
  return first;
}

// What GLib launches or opens: Exec's first word after the field codes of a start without files
// (as GDesktopAppInfo expands them), or a Link's URL as a file of this machine.
std::optional<std::string> GlibTarget(const std::string& text, const std::string& entryPath) {
  GKeyFile* file = g_key_file_new();
  auto get = [file](const char* key) {
    return Owned(g_key_file_get_string(file, "Desktop Entry", key, nullptr));
  };
  std::optional<std::string> target;
  if (g_key_file_load_from_data(file, text.data(), text.size(), G_KEY_FILE_NONE, nullptr) &&
      Owned(g_key_file_get_start_group(file)) == "Desktop Entry") {
    const auto type = get("Type"), exec = get("Exec"), url = get("URL"), name = get("Name");
    auto icon = get("Icon");
    const auto suffix =  // a themed icon's name loses a file suffix
        icon && (*icon)[0] != '/' ? icon->substr(std::max<int>(icon->size(), 4) - 4) : "";
    if (suffix == ".png" || suffix == ".xpm" || suffix == ".svg") icon->resize(icon->size() - 4);
    auto quoted = [](const std::string& s) { return *Owned(g_shell_quote(s.c_str())); };
    if (type == "Application" && exec && !exec->empty() && FirstWord(*exec)) {
      std::string expanded;
      for (std::size_t i = 0; i < exec->size(); ++i) {
        const char c = (*exec)[i], code = i + 1 < exec->size() ? (*exec)[i + 1] : '\0';
        if (c != '%' || !code) expanded += c;
        else if (++i, code == '%') expanded += '%';
        else if (code == 'c' && name) expanded += quoted(*name);
        else if (code == 'k') expanded += quoted(entryPath);
        else if (code == 'i' && icon) expanded += "--icon " + quoted(*icon);
      }
      target = FirstWord(expanded);
    } else if (type == "Link" && url) {
      gchar* host = nullptr;
      target = Owned(g_filename_from_uri(url->c_str(), &host, nullptr));
      if (host && g_ascii_strcasecmp(host, "localhost") != 0) target.reset();
      g_free(host);
    }
  }
  g_key_file_free(file);
  return target;
}

// The deliberate refusals (docs/linux.md): a NUL byte; a key's [locale] with a byte past ASCII.
bool RefusedOnPurpose(const std::string& text) {
  if (text.find('\0') != std::string::npos) return true;
  for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
    end = std::min(text.find('\n', at), text.size());
    const std::size_t open = text.find('[', at), eq = text.find('=', at);
    if (open < eq && eq < end)
      for (std::size_t i = open; i < eq; ++i)
        if (static_cast<unsigned char>(text[i]) >= 0x80) return true;
  }
  return false;
}

// Lines entries are built from, so that every rule is reached often.
const char* const kLines[] = {
    "[Desktop Entry]", "[X]", "[Bad\x01]", "[]", "# c", "", " \f", "=x", "K]=x", "K[=x", "no =",
    "Type=Application", "Type=Application ", "Type=Link", "Type=Appli\\cation", "Name=it's",
    "Name=a\\sb", "Name=\xff", "Icon=vx.png", "Icon=/i.svg", "Encoding=UTF-8", "Encoding=utf-8 ",
    "Encoding=Legacy-Mixed", "X_Y=1", "A b=2", "K[de_DE.UTF-8@euro]=x", "Exec[de]=/v/Volsar.exe",
    "Exec=/v/Volsar.exe", "Exec='/v/My App/Volsar.exe' %U", "Exec=/v/Volsar.exe%c", "Exec=\v",
    "Exec=%k \"/v/Volsar.exe\"", "Exec=%i /v/Volsar.exe", "Exec=/v/My\\\\ App/Volsar.exe",
    "Exec=\"/v/\"Volsar.exe", "Exec=\"/v/a\\\\$b\\\\\"c\"", "Exec=/v/Volsar.exe #x", "Exec=x #",
    "Exec=x\t#x", "Exec=x %", "Exec=x %\"", "Exec=\\\\\n/v", "Exec=x\\", "Exec='a\nb'", "Exec=%%c",
    "URL=file:///v/Volsar.hlp", "URL=FILE://localhost/v", "URL=file:/v", "URL=file://other/x",
    "URL=file:///a%2Fb", "URL=file:///a%00b", "URL=file:///a%2", "URL=file:///a#b", "URL=file://",
};
const char* const kEnds[] = {"\n", "\r\n", "\r", " \n", "\t\n", "", "\\\n"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string path = input.ConsumeRandomLengthString(80);
  const bool launcher = input.ConsumeBool();
  // Most texts begin as an entry does, or are made of lines of entries, so that the rules of each
  // value are reached often.
  static const char* const kStarts[] = {"", "[Desktop Entry]\nType=Application\nExec=",
                                        "[Desktop Entry]\nType=Link\nURL=", "[Desktop Entry]\n"};
  std::string text = kStarts[input.ConsumeIntegralInRange(0, 3)];
  for (int lines = input.ConsumeIntegralInRange(0, 8); lines > 0; --lines)
    text += std::string(input.PickValueInArray(kLines)) + input.PickValueInArray(kEnds);
  text += input.ConsumeRemainingBytesAsString();
  // Storage kept from input to input, as the sweep keeps it from entry to entry.
  static std::string reused;
  const std::string entryPath = "/desk/" + std::to_string(size) + " it's.desktop";
  const auto target = vx::posix::DesktopEntryTarget(text, entryPath);
  FUZZ_CHECK(vx::posix::DesktopEntryTarget(text, entryPath, reused) == target.has_value());
  FUZZ_CHECK(!target || reused == *target);
  FUZZ_CHECK(GlibTarget(text, entryPath) == target || (!target && RefusedOnPurpose(text)));

  bool printable = !path.empty();
  for (char c : path) printable = printable && c >= 0x20 && c < 0x7f;
  for (const std::string& entry :
       {vx::setup::PanelEntry(path, "/icon.png", launcher), vx::setup::AutostartEntry(path)}) {
    const bool read = vx::posix::DesktopEntryTarget(entry, reused);
    FUZZ_CHECK(!read || reused == path);
    FUZZ_CHECK(read || !printable);
  }
  return 0;
}
