// The Qt backend: forms become top-level widgets, controls Qt's own widgets
// (QLineEdit, QPlainTextEdit, QLabel, QPushButton, QCheckBox, QRadioButton,
// QGroupBox, QListWidget), placed from twips by the screen's logical DPI in
// the application font fitted to the captions. Keys reach the forms' key
// rules (platform/dialog_keys.h) before the widgets get them.
#pragma once

#include <memory>

#include "platform/app.h"

class QEventLoop;

namespace rt::qt {

class QtBackend : public Backend {
 public:
  // A QApplication must exist for as long as the backend.
  QtBackend();
  ~QtBackend() override;
  QtBackend(const QtBackend&) = delete;
  QtBackend& operator=(const QtBackend&) = delete;

  bool Realise(Form& form) override;
  void AllUnloaded() override;
  // Runs the event loop until no form is loaded, releasing what unloaded
  // forms left behind whenever the loop goes idle.
  void Run(App& app);

 private:
  class KeyRules;
  std::unique_ptr<KeyRules> keyRules_;
  QEventLoop* loop_ = nullptr;
  bool ended_ = false;
};

}  // namespace rt::qt
