#include "sway_desktop.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#ifndef GTK_TEXT_TARGET
#error "GTK_TEXT_TARGET names the GTK 3 editor the tests type into"
#endif
#ifndef VIRTUAL_POINTER
#error "VIRTUAL_POINTER names the test's pointer"
#endif
#ifndef SECOND_KEYBOARD
#error "SECOND_KEYBOARD names the test's keyboard with a lock and held keys"
#endif

namespace strumlet::wayland_e2e {

std::string Run(const std::string& command, int* code) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) {
    if (code) *code = -1;
    return out;
  }
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
  int status = pclose(p);
  if (code) *code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

bool Sway::Expected() {
  const char* socket = std::getenv("SWAYSOCK");
  return socket && *socket;
}

bool Sway::Ready() {
  int code = 0;
  Run("swaymsg -t get_version >/dev/null 2>&1", &code);
  return code == 0;
}

std::vector<SwayWindow> Sway::Windows() {
  // Every view with its workspace: one line each, the title last.
  const char* filter =
      "[.. | objects | select(.type==\"workspace\")] | .[] | .name as $ws"
      " | (.. | objects | select(.pid? != null and (.type==\"con\" or .type==\"floating_con\")))"
      " | [.id, .pid, .focused, (.app_id // \"\"), ($ws==\"__i3_scratch\"), (.rect.x + .window_rect.x),"
      " (.rect.y + .window_rect.y), .window_rect.width, .window_rect.height, .geometry.width, .geometry.height,"
      " (.name // \"\")] | @tsv";
  std::string out = Run(std::string("swaymsg -t get_tree 2>/dev/null | jq -r '") + filter + "'");
  std::vector<SwayWindow> windows;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> f;
    std::size_t start = 0;
    for (int i = 0; i < 11; ++i) {
      std::size_t tab = line.find('\t', start);
      if (tab == std::string::npos) break;
      f.push_back(line.substr(start, tab - start));
      start = tab + 1;
    }
    if (f.size() != 11) continue;
    SwayWindow w;
    w.id = std::stol(f[0]);
    w.pid = static_cast<pid_t>(std::stol(f[1]));
    w.focused = f[2] == "true";
    w.appId = f[3];
    w.scratchpad = f[4] == "true";
    w.x = std::stoi(f[5]);
    w.y = std::stoi(f[6]);
    w.width = std::stoi(f[7]);
    w.height = std::stoi(f[8]);
    w.surfaceWidth = std::stoi(f[9]);
    w.surfaceHeight = std::stoi(f[10]);
    w.title = line.substr(start);
    windows.push_back(w);
  }
  return windows;
}

std::optional<SwayWindow> Sway::Find(const std::function<bool(const SwayWindow&)>& match) {
  for (const SwayWindow& w : Windows()) {
    if (match(w)) return w;
  }
  return std::nullopt;
}

std::optional<SwayWindow> Sway::Await(const std::function<bool(const SwayWindow&)>& match,
                                      std::chrono::milliseconds limit) {
  std::optional<SwayWindow> found;
  WaitFor([&] { return (found = Find(match)).has_value(); }, limit);
  return found;
}

std::optional<SwayWindow> Sway::Focused() {
  return Find([](const SwayWindow& w) { return w.focused; });
}

bool Sway::Command(const std::string& command) {
  int code = 0;
  Run("swaymsg " + Quote(command) + " >/dev/null 2>&1", &code);
  return code == 0;
}

bool Sway::Focus(long id) {
  if (!Command("[con_id=" + std::to_string(id) + "] focus")) return false;
  return WaitFor([&] {
    auto f = Focused();
    return f && f->id == id;
  });
}

bool Sway::ToScratchpad(long id) { return Command("[con_id=" + std::to_string(id) + "] move scratchpad"); }

bool Sway::SetLayout(const std::string& layout) { return Command("input type:keyboard xkb_layout " + layout); }

UserPointer::UserPointer() : answers_(linux_e2e::ScratchFile("pointer")) {
  pipe_ = popen((std::string(VIRTUAL_POINTER) + " > " + Quote(answers_)).c_str(), "w");
  ready_ = pipe_ && WaitFor([&] { return Answered(0); }, 30s) && ReadFile(answers_).rfind("ready\n", 0) == 0;
}

UserPointer::~UserPointer() {
  if (pipe_) pclose(pipe_);
  unlink(answers_.c_str());
}

// The tool says "ready", then answers each command on a line of its own.
bool UserPointer::Answered(std::size_t commands) const {
  const std::string text = ReadFile(answers_);
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) > commands;
}

bool UserPointer::ClickAt(int x, int y) {
  if (!ready_) return false;
  // The screen's size: the pointer's points are given within it.
  const std::string size = Run("swaymsg -t get_outputs 2>/dev/null | jq -r '([.[] | select(.active) | .rect | .x + .width] | max), "
                               "([.[] | select(.active) | .rect | .y + .height] | max)'");
  int width = 0, height = 0;
  std::istringstream(size) >> width >> height;
  if (width <= 0 || height <= 0) return false;
  clicks_.Before(x, y);
  std::fputs(("click " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(width) + " " +
              std::to_string(height) + "\n").c_str(),
             pipe_);
  std::fflush(pipe_);
  ++sent_;
  if (!WaitFor([&] { return Answered(sent_); }, 30s)) return false;
  clicks_.Pressed(x, y);
  const std::string text = ReadFile(answers_);
  return text.size() >= 3 && text.compare(text.size() - 3, 3, "ok\n") == 0;
}

void UserKeyboard::Key(const std::string& key, const std::vector<std::string>& modifiers) {
  std::string command = "wtype";
  for (const std::string& m : modifiers) command += " -M " + m;
  command += " -k " + Quote(key);
  for (const std::string& m : modifiers) command += " -m " + m;
  Run(command + " >/dev/null 2>&1");
}

void UserKeyboard::Type(const std::string& text) { Run("wtype -- " + Quote(text) + " >/dev/null 2>&1"); }

SecondKeyboard::SecondKeyboard() : pipe_(popen(SECOND_KEYBOARD, "w")) {}

SecondKeyboard::~SecondKeyboard() {
  if (pipe_) pclose(pipe_);
}

void SecondKeyboard::Send(const std::string& command) {
  if (!pipe_) return;
  std::fputs((command + "\n").c_str(), pipe_);
  std::fflush(pipe_);
}

void SecondKeyboard::LockCaps(bool on) { Send(on ? "lock" : "unlock"); }
void SecondKeyboard::HoldShift() { Send("hold-shift"); }
void SecondKeyboard::Tap(char c) { Send(std::string("tap ") + c); }

std::optional<std::string> Clipboard() {
  int code = 0;
  std::string text = Run("timeout 10 wl-paste --no-newline 2>/dev/null", &code);
  if (code != 0) return std::nullopt;
  return text;
}

const char* TextTarget::Name(Kind kind) { return kind == Kind::Foot ? "foot" : kind == Kind::Gtk ? "GTK 3" : "Qt 6"; }

TextTarget::TextTarget(Kind kind, const std::string& title) : file_(linux_e2e::ScratchFile("target")) {
  unlink(file_.c_str());
  std::vector<std::string> args;
  std::vector<std::string> env;
  switch (kind) {
    case Kind::Foot:
      // Raw mode: every byte the terminal sends arrives at once, as it is.
      // The file appears once the shell has switched it on.
      args = {"foot", "-T", title, "sh", "-c", "stty raw -echo; exec cat >> " + Quote(file_)};
      break;
    case Kind::Gtk:
      args = {"/usr/bin/python3", GTK_TEXT_TARGET, title, file_};
      break;
    case Kind::Qt:
      args = {QT_TEXT_TARGET, title, file_};
      env = {"QT_QPA_PLATFORM=wayland"};
      break;
  }
  process_ = std::make_unique<Process>(linux_e2e::Spawn(args, env));
  pid_t pid = process_->Pid();
  auto window = Sway::Await([&](const SwayWindow& w) { return w.pid == pid && w.title == title; });
  if (!window) return;
  window_ = window->id;
  ready_ = WaitFor([&] { return access(file_.c_str(), F_OK) == 0; }) && Sway::Focus(window_);
}

TextTarget::~TextTarget() {
  process_.reset();
  unlink(file_.c_str());
}

bool TextTarget::WaitText(const std::string& text, std::chrono::milliseconds limit) const {
  return WaitFor([&] { return Text() == text; }, limit);
}

namespace {

std::vector<std::string> WithProgram(std::vector<std::string> args) {
  args.insert(args.begin(), STRUMLET_EXE);
  return args;
}

}  // namespace

Program::Program(std::vector<std::string> args, const std::vector<std::string>& environment, std::string errors)
    : Process(linux_e2e::Spawn(WithProgram(std::move(args)), environment, errors)), errors_(std::move(errors)) {}

std::optional<SwayWindow> Program::AwaitMain(std::chrono::milliseconds limit) {
  pid_t pid = Pid();
  return Sway::Await(
      [&](const SwayWindow& w) {
        return w.pid == pid && w.title.size() >= 8 && w.title.compare(w.title.size() - 8, 8, "Strumlet") == 0;
      },
      limit);
}

std::optional<SwayWindow> Program::AwaitTitle(const std::string& title, std::chrono::milliseconds limit) {
  pid_t pid = Pid();
  return Sway::Await([&](const SwayWindow& w) { return w.pid == pid && w.title == title; }, limit);
}

}  // namespace strumlet::wayland_e2e
