// A window framework without windows, for the unattended run: each dialog's logic runs against
// controls held in memory, a driver given per template plays the user, and every message box is
// written to the log instead of shown (it answers OK, or Cancel / No where it asks). The dialog
// logic, the installation worker and the messages between them are those of the visible run.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <tuple>

#include "platform/machine.h"
#include "platform/window_framework.h"

namespace quiet {

// Controls by id, in memory. Every control id exists while the dialog runs; the worker's calls
// from its own thread are serialised by one lock.
class QuietControls : public platform::DialogControls {
 public:
  explicit QuietControls(std::function<int(const std::wstring&, const std::wstring&, uint32_t)> message_box)
      : message_box_(std::move(message_box)) {}

  bool Ended();
  int Result();
  // Hands each posted message to `logic` on the calling thread until the dialog ends.
  void PumpUntilEnded(platform::DialogLogic& logic);

  bool ControlExists(int control_id) override;
  std::wstring GetCaption() override;
  void SetCaption(const std::wstring& text) override;
  void End(int result) override;
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption, uint32_t flags) override;
  bool PostToDialog(uint32_t message, uintptr_t wparam, intptr_t lparam) override;
  void SetDialogIcon(int icon_id) override;
  void ClientSize(int* width, int* height) override;
  std::unique_ptr<platform::Font> CreateUnderlinedDialogFont() override;
  std::unique_ptr<platform::Font> CreateFontByFace(const std::wstring& face, int height, int weight,
                                                   int charset) override;
  void SetControlFont(int control_id, const platform::Font* font, bool redraw) override;
  std::wstring GetText(int control_id) override;
  void SetText(int control_id, const std::wstring& text) override;
  void ShowControl(int control_id, bool show) override;
  bool IsControlVisible(int control_id) override;
  void EnableControl(int control_id, bool enable) override;
  bool IsControlEnabled(int control_id) override;
  void RedrawControl(int control_id) override;
  void FocusControl(int control_id) override;
  void SetCheck(int control_id, bool checked) override;
  bool IsChecked(int control_id) override;
  int ComboAddString(int control_id, const std::wstring& text) override;
  void ComboReset(int control_id) override;
  int ComboCount(int control_id) override;
  int ComboGetCurSel(int control_id) override;
  void ComboSetCurSel(int control_id, int index) override;
  std::wstring ComboItemText(int control_id, int index) override;
  void SetProgressRange(int control_id, int low, int high) override;
  void SetProgressPos(int control_id, int position) override;
  void ListSetExtendedStyle(int control_id, uint32_t styles) override;
  void ListSetRowHeight(int control_id, int pixels) override;
  int ListClientWidth(int control_id) override;
  int ListInsertColumn(int control_id, int column, const std::wstring& text, int width, int format) override;
  void ListSetColumnFormat(int control_id, int column, int format) override;
  void ListSetColumnText(int control_id, int column, const std::wstring& text) override;
  int ListInsertItem(int control_id, int item, const std::wstring& text, intptr_t data) override;
  void ListSetItemText(int control_id, int item, int sub_item, const std::wstring& text) override;
  std::wstring ListItemText(int control_id, int item, int sub_item, int max_chars) override;
  intptr_t ListItemData(int control_id, int item) override;
  int ListItemCount(int control_id) override;
  void ListDeleteAllItems(int control_id) override;
  int ListNextItem(int control_id, int start, uint32_t flags) override;
  void ListSetItemState(int control_id, int item, uint32_t state, uint32_t mask) override;
  uint32_t ListItemState(int control_id, int item, uint32_t mask) override;
  void ListEnsureVisible(int control_id, int item) override;
  void ListRedrawItems(int control_id, int first, int last) override;
  bool CreateChildPanel(int panel_id, int x, int y, int width, int height) override;
  bool CreateEditField(int panel_id, int edit_id, int left, int top, int right, int bottom) override;

 private:
  struct Row {
    std::map<int, std::wstring> cells;
    intptr_t data = 0;
    uint32_t state = 0;
  };
  struct Control {
    std::wstring text;
    bool visible = true;
    bool enabled = true;
    bool checked = false;
    std::vector<std::wstring> items;  // combo box entries
    int selection = -1;
    std::vector<Row> rows;  // list-view rows
  };
  Control& At(int control_id);  // the lock is held

  std::function<int(const std::wstring&, const std::wstring&, uint32_t)> message_box_;
  std::mutex mutex_;
  std::condition_variable posted_;
  std::map<int, Control> controls_;
  std::wstring caption_;
  std::deque<std::tuple<uint32_t, uintptr_t, intptr_t>> queue_;
  bool ended_ = false;
  int result_ = 0;
};

class QuietWindowFramework : public platform::WindowFramework {
 public:
  // Plays the user of one dialog once OnInitDialog has run (the dialog may already have ended).
  using Driver = std::function<void(platform::DialogControls&, platform::DialogLogic&)>;

  QuietWindowFramework() = default;

  // The driver for `template_id`; a template without one is confirmed with OK.
  void Drive(int template_id, Driver driver) { drivers_[template_id] = std::move(driver); }
  // How many message boxes with the error or exclamation icon were suppressed.
  int ErrorBoxes() const { return error_boxes_.load(); }

  // OnInitDialog, the driver (or OK), then the posted messages until the dialog ends: the value it
  // ended with.
  int RunModal(int template_id, platform::DialogLogic& logic, platform::DialogControls* owner = nullptr) override;
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption, uint32_t flags) override;
  void EnableControlContainer() override {}

 private:
  std::map<int, Driver> drivers_;
  std::atomic<int> error_boxes_{0};
};

// The machine of the unattended run: the real services, with the windowless framework.
class QuietMachine : public platform::Machine {
 public:
  explicit QuietMachine(platform::Machine& real) : real_(real) {}
  QuietWindowFramework& quiet_windows() { return windows_; }

  platform::Files& files() override { return real_.files(); }
  platform::Clock& clock() override { return real_.clock(); }
  platform::SystemInfo& system() override { return real_.system(); }
  platform::Registry& registry() override { return real_.registry(); }
  platform::CodePage& codepage() override { return real_.codepage(); }
  platform::Shell& shell() override { return real_.shell(); }
  platform::Resources& resources() override { return real_.resources(); }
  platform::Devices& devices() override { return real_.devices(); }
  platform::Spooler& spooler() override { return real_.spooler(); }
  platform::Services& services() override { return real_.services(); }
  platform::Bluetooth& bluetooth() override { return real_.bluetooth(); }
  platform::WindowFramework& windows() override { return windows_; }

 private:
  platform::Machine& real_;
  QuietWindowFramework windows_;
};

}  // namespace quiet
