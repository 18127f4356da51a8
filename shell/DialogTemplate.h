// The description of a program's resources: dialog templates, accelerator tables, the icon and the
// version block.
//
// Each program writes its resources once, as X-macro files in its res/ folder (Dialog.inc,
// Accelerators.inc, Version.inc). The resource compiler of the native build expands them into
// resource statements; Resources.cpp expands them into the tables below, which the Qt back end reads.
// So there is one source for layout, captions and accelerators.
#pragma once

#include <cstdint>
#include <span>

namespace vx {

struct ControlTemplate {
  int id;
  const char* className;  // "Static", "Button", "msctls_trackbar32"
  const char* text;
  std::uint32_t style;
  std::uint32_t exStyle;
  int x, y, cx, cy;  // dialog units
};

struct DialogTemplate {
  int id;
  const char* caption;
  int x, y, cx, cy;  // dialog units
  const char* fontName;
  int pointSize;
  std::uint32_t style;
  std::uint32_t exStyle;
  std::span<const ControlTemplate> controls;  // in template (tab) order
};

struct AccelEntry {
  std::uint8_t flags;  // kAccel* bits
  std::uint16_t key;   // virtual key when kAccelVirtKey is set
  std::uint16_t command;
};

struct AccelTable {
  int id;
  std::span<const AccelEntry> entries;
};

struct VersionString {
  const char* name;
  const char* value;
};

struct VersionInfo {
  std::uint16_t fileVersion[4];
  std::uint16_t productVersion[4];
  std::uint32_t flagsMask, flags, os, type, subtype;
  const char* block;  // "040904b0"
  std::uint16_t language, codePage;
  std::span<const VersionString> strings;
};

struct IconGroup {
  int id;
  const char* file;  // the .ico file, relative to the program's res/ folder
};

// Everything the toolkit back ends find "in the module".
struct ProgramResources {
  std::span<const DialogTemplate* const> dialogs;
  std::span<const AccelTable> accelerators;
  IconGroup icon;
  const VersionInfo* version;
  const char* helpFile;  // beside the program; null when it has none

  const DialogTemplate* FindDialog(int id) const {
    for (const DialogTemplate* d : dialogs)
      if (d->id == id) return d;
    return nullptr;
  }
  const AccelTable* FindAccelerators(int id) const {
    for (const AccelTable& a : accelerators)
      if (a.id == id) return &a;
    return nullptr;
  }
  const ControlTemplate* FindControl(int dialogId, int controlId) const {
    if (const DialogTemplate* d = FindDialog(dialogId))
      for (const ControlTemplate& c : d->controls)
        if (c.id == controlId) return &c;
    return nullptr;
  }
};

}  // namespace vx
