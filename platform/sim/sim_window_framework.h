// The simulated window framework: dialogs made from templates whose controls live in memory, and
// a scripted user. A test defines the templates (or loads the program's resource script), queues
// one script per dialog run, and reads the dialogs and message boxes afterwards.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sim/sim_dialog.h"
#include "platform/sim/sim_faults.h"
#include "platform/window_framework.h"

namespace platform::sim {

class SimWindowFramework : public WindowFramework {
 public:
  // What the user does in one dialog run; it may leave the dialog open for posted messages.
  using UserScript = std::function<void(SimDialog&)>;

  explicit SimWindowFramework(SimFaults& faults);

  // RunModal: "DialogBoxParamW" can be made to fail. A template that is not defined fails with
  // 1814 (resource name not found). The dialog is made from the template, OnInitDialog runs, then
  // the next script queued for the template; without one the user closes the dialog (IDCANCEL,
  // counted by UnscriptedRuns). Afterwards the posted messages are handled until the dialog ends;
  // a dialog still open after PumpTimeoutMs ends with -1 and counts in TimedOutRuns.
  int RunModal(int template_id, DialogLogic& logic, DialogControls* owner = nullptr) override;
  // "MessageBoxW" can be made to fail (answer 0).
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption, uint32_t flags) override;
  void EnableControlContainer() override;

  void DefineTemplate(const SimTemplate& tmpl);
  bool HasTemplate(int template_id) const;
  const SimTemplate* FindTemplate(int template_id) const;
  void Script(int template_id, UserScript script);
  // Answers for the next message boxes, of any dialog or none, in order.
  void AnswerMessageBox(int button) { boxes_.Answer(button); }
  std::vector<SimMessageBox> MessageBoxes() const { return boxes_.Shown(); }
  // Every dialog made, in order (also after it ended), and the templates run.
  std::vector<std::shared_ptr<SimDialog>> Dialogs() const;
  std::shared_ptr<SimDialog> LastDialog(int template_id) const;
  // The dialogs open now, innermost last.
  std::vector<std::shared_ptr<SimDialog>> OpenDialogs() const;
  int UnscriptedRuns() const;
  int TimedOutRuns() const;
  bool ControlContainerEnabled() const;
  void SetPumpTimeoutMs(int ms);

 private:
  SimFaults& faults_;
  mutable std::mutex mutex_;
  std::map<int, SimTemplate> templates_;
  std::map<int, std::deque<UserScript>> scripts_;
  std::vector<std::shared_ptr<SimDialog>> dialogs_;
  std::vector<std::shared_ptr<SimDialog>> open_;
  SimMessageBoxes boxes_;
  int unscripted_ = 0;
  int timed_out_ = 0;
  bool container_ = false;
  int pump_timeout_ms_ = 10000;
};

}  // namespace platform::sim
