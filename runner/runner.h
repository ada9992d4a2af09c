// The logic behind the main window: the runner state, start-up, keeping the
// split key script in step with its box, and the countdown with its send
// cycle. The run settings stay in the main window's controls and are read
// from them when needed; the main window's handlers call the steps here.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/app.h"
#include "platform/controls.h"
#include "platform/form.h"

namespace strumlet {

// The main window's controls that hold the run settings and show the
// runner's state.
struct RunnerControls {
  rt::Form& window;                 // the main window: its caption shows the count
  rt::TextBox& caption;             // Text1: the target window's caption
  rt::TextBox& keys;                // Text2: the key script
  rt::TextBox& interval;            // Text3: the interval in seconds
  rt::Label& counter;               // Label1: the count
  rt::Label& status;                // Label2: "Window not found!" or "Window Caption"
  rt::OptionButton& once;           // mOnce
  rt::OptionButton& loop;           // mLoop
  rt::OptionButton& persist;        // mPersist
  rt::CheckBox& noTarget;           // Check1: no target window
  rt::Timer& timer;                 // Timer1: the countdown's one-second tick
  rt::CommandButton& pauseButton;   // Command2: "P&ause Counter" / "&Resume Counter"
};

class Runner {
 public:
  explicit Runner(const RunnerControls& controls) : c_(controls) {}

  // Runner state.
  std::int32_t Counter = 0;
  std::int16_t RunFinished = 0;  // 1 once a Once run has sent
  std::int16_t NoTarget = 0;     // -1: send to whatever has the focus
  std::optional<std::vector<rt::ustring>> KeyParts;
  std::optional<std::vector<rt::ustring>> KeyPauses;

  // Start-up: reads the command line into the settings (or keeps the
  // design-time ones), loads the count, applies a no-target start, splits
  // the script and starts the countdown. False after an argument error: the
  // settings read so far stay in the boxes to be corrected.
  bool Start();
  bool ArgumentErrorReported() const { return argumentError_; }

  // The no-target check box changed: the caption box is disabled while it is
  // ticked.
  void NoTargetChanged();

  void SplitKeyScript();
  // The key-script box changed.
  void KeyScriptChanged();

  // One tick of the countdown.
  void Tick();
  // Sends two seconds from now.
  void SendNow();
  // Runs or pauses the countdown: the timer, and the pause button's caption
  // that says what a click does next.
  void SetCounting(bool counting);
  // The system would not run the timer: the countdown is paused, and the
  // pause button offers to resume it, which tries again.
  void TimerRefused(const rt::ustring& reason);
  bool Counting() const { return c_.timer.TimerEnabled(); }
  // Loads the count from the interval box. Throws rt::RuntimeError when the
  // interval is not a whole number of seconds from -32768 to 32767; the count
  // is then unchanged.
  void LoadCount();

 private:
  // The tick's closing block: "Window not found!", and the end of a Once run.
  void NotFoundStep();
  // Types the split script with its pauses.
  void SendPieces();
  rt::App& Application() const { return c_.window.Application(); }

  RunnerControls c_;
  bool argumentError_ = false;
  bool anySent_ = false;
  // The caption whose window this count's activation brought to the front,
  // empty when the count activated nothing.
  rt::ustring activated_;
};

}  // namespace strumlet
