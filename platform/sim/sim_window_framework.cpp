#include "platform/sim/sim_window_framework.h"

#include <algorithm>

#include "platform/last_error.h"

namespace platform::sim {

namespace {
// The calls of this service that a test can make fail (SimFaults).
const char* const kFaultNames[] = {
    "DialogBoxParamW", "MessageBoxW", "PostMessageW"};
}  // namespace

SimWindowFramework::SimWindowFramework(SimFaults& faults) : faults_(faults) { faults_.Declare(kFaultNames); }

int SimWindowFramework::RunModal(int template_id, DialogLogic& logic, DialogControls* owner) {
  (void)owner;
  if (faults_.ShouldFail("DialogBoxParamW")) return -1;
  std::shared_ptr<SimDialog> dialog;
  UserScript script;
  int timeout;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = templates_.find(template_id);
    if (it == templates_.end()) {
      SetLastErrorCode(err::kResourceNameNotFound);
      return -1;
    }
    dialog = std::make_shared<SimDialog>(it->second, &logic, &boxes_);
    dialog->UseFaults(&faults_);
    auto queued = scripts_.find(template_id);
    if (queued != scripts_.end() && !queued->second.empty()) {
      script = std::move(queued->second.front());
      queued->second.pop_front();
    }
    dialogs_.push_back(dialog);
    open_.push_back(dialog);
    timeout = pump_timeout_ms_;
  }

  logic.OnInitDialog(dialog->ForLogic());
  if (!dialog->Ended()) {
    if (script) {
      script(*dialog);
    } else {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        ++unscripted_;
      }
      dialog->Close();
    }
  }
  if (!dialog->PumpUntil([&] { return dialog->Ended(); }, timeout)) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++timed_out_;
    dialog->End(-1);
  }
  dialog->Destroy();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    open_.erase(std::remove(open_.begin(), open_.end(), dialog), open_.end());
  }
  return dialog->Result();
}

int SimWindowFramework::ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                                       uint32_t flags) {
  if (faults_.ShouldFail("MessageBoxW")) return 0;
  return boxes_.Show(text, caption, flags, 0);
}

void SimWindowFramework::EnableControlContainer() {
  std::lock_guard<std::mutex> lock(mutex_);
  container_ = true;
}

void SimWindowFramework::DefineTemplate(const SimTemplate& tmpl) {
  std::lock_guard<std::mutex> lock(mutex_);
  templates_[tmpl.id] = tmpl;
}

bool SimWindowFramework::HasTemplate(int template_id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return templates_.count(template_id) != 0;
}

const SimTemplate* SimWindowFramework::FindTemplate(int template_id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = templates_.find(template_id);
  return it == templates_.end() ? nullptr : &it->second;
}

void SimWindowFramework::Script(int template_id, UserScript script) {
  std::lock_guard<std::mutex> lock(mutex_);
  scripts_[template_id].push_back(std::move(script));
}

std::vector<std::shared_ptr<SimDialog>> SimWindowFramework::Dialogs() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return dialogs_;
}

std::shared_ptr<SimDialog> SimWindowFramework::LastDialog(int template_id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = dialogs_.rbegin(); it != dialogs_.rend(); ++it) {
    if ((*it)->TemplateId() == template_id) return *it;
  }
  return nullptr;
}

std::vector<std::shared_ptr<SimDialog>> SimWindowFramework::OpenDialogs() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_;
}

int SimWindowFramework::UnscriptedRuns() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return unscripted_;
}

int SimWindowFramework::TimedOutRuns() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return timed_out_;
}

bool SimWindowFramework::ControlContainerEnabled() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return container_;
}

void SimWindowFramework::SetPumpTimeoutMs(int ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  pump_timeout_ms_ = ms;
}

}  // namespace platform::sim
