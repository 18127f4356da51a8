// A toolkit back end without any window system: each dialog runs a script of events against its
// CDialog and records what the dialog asked of its window.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "shell/Dialog.h"
#include "shell/Toolkit.h"

class ScriptedWindow : public vx::DialogWindow {
 public:
  ScriptedWindow(CDialog& owner, std::function<void(CDialog&, ScriptedWindow&)> script)
      : owner_(owner), script_(std::move(script)) {}

  std::map<int, std::string> texts;
  std::map<int, std::pair<int, int>> ranges;
  std::map<int, int> positions;
  std::vector<unsigned> deletedMenuCommands;
  std::vector<std::pair<vx::IconRef, bool>> icons;
  std::vector<std::string> messageBoxes;
  std::vector<std::string> journal;
  int focused = 0;
  bool iconic = false;
  vx::ClientSize client{36, 36};
  std::vector<std::pair<int, int>> paintedAt;
  int defaultPaints = 0;
  bool ended = false;
  int result = 0;

  int RunModal() override {
    journal.push_back("init");
    owner_.OnInitDialog();
    if (script_ && !ended) script_(owner_, *this);
    return result;
  }
  void End(int r) override {
    journal.push_back("end " + std::to_string(r));
    ended = true;
    result = r;
  }
  vx::WindowRef Handle() const override { return 0x1234; }
  void DeleteSystemMenuCommand(unsigned command) override {
    journal.push_back("delete menu " + std::to_string(command));
    deletedMenuCommands.push_back(command);
  }
  void SetIcon(vx::IconRef icon, bool big) override {
    journal.push_back(big ? "icon big" : "icon small");
    icons.emplace_back(icon, big);
  }
  bool IsIconic() const override { return iconic; }
  vx::ClientSize GetClientSize() const override { return client; }
  vx::ClientSize GetSystemIconSize() const override { return {32, 32}; }
  void PaintMinimised(vx::IconRef, int x, int y) override { paintedAt.emplace_back(x, y); }
  void DefaultPaint() override { ++defaultPaints; }
  void SetItemText(int id, const char* text) override { texts[id] = text; }
  void SetSliderRange(int id, int lo, int hi, bool) override { ranges[id] = {lo, hi}; }
  int GetSliderPos(int id) override { return positions[id]; }
  void FocusItem(int id) override { focused = id; }
  int MessageBox(const char* text, const char* caption, unsigned) override {
    messageBoxes.push_back(std::string(caption) + ": " + text);
    return 1;
  }
  bool TranslateAccelerator(vx::AccelRef, const vx::Msg&) override { return false; }
  bool IsDialogMessage(const vx::Msg&) override { return false; }

 private:
  CDialog& owner_;
  std::function<void(CDialog&, ScriptedWindow&)> script_;
};

class FakeToolkit : public vx::Toolkit {
 public:
  std::function<void(CDialog&, ScriptedWindow&)> script;
  std::vector<int> createdTemplates;
  ScriptedWindow* lastWindow = nullptr;
  int helpShown = 0;
  std::function<void()> duringHelp;
  std::string helpPath = "/opt/vexmor/Volsar.hlp";  // "": a program without a help file
  std::function<void()> onCreate;

  std::unique_ptr<vx::DialogWindow> CreateDialogWindow(CDialog& owner, int id) override {
    createdTemplates.push_back(id);
    if (onCreate) onCreate();
    auto window = std::make_unique<ScriptedWindow>(owner, script);
    lastWindow = window.get();
    return window;
  }
  vx::IconRef LoadIcon(int id) override { return id == 128 ? 0x128 : 0; }
  vx::AccelRef LoadAccelerators(int id) override { return id == 129 ? 0x129 : 0; }
  std::string HelpFilePath() const override { return helpPath; }
  void ShowHelp(vx::DialogWindow&, const std::string&) override {
    ++helpShown;
    if (duringHelp) duringHelp();  // as if F1 came while its message is up
  }
};
