// One simulated dialog: its controls live in memory, the logic is called as the real dialog
// procedure would call it, and a test acts as the user (clicks, row and combo selections) and reads
// the controls back. Made by SimWindowFramework::RunModal from a template, or on its own.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/sim/sim_faults.h"
#include "platform/window_framework.h"

namespace platform::sim {

enum class SimControlKind {
  kPushButton, kCheckBox, kRadio, kStatic, kEdit, kCombo, kListView, kProgress, kPanel, kOther
};

// One control of a template.
struct SimControlDef {
  int id = 0;
  SimControlKind kind = SimControlKind::kOther;
  std::wstring text;
  bool visible = true;
  bool enabled = true;
  bool group = false;          // WS_GROUP: starts a group of radio buttons
  bool default_button = false;
  uint32_t style = 0;          // the window style as the template gives it
  std::wstring window_class;   // "SysListView32", "Button" ...
  int x = 0, y = 0, width = 0, height = 0;  // dialog units
};

// One dialog template, as the resource script gives it.
struct SimTemplate {
  int id = 0;
  std::wstring caption;
  uint32_t style = 0;
  int width = 0, height = 0;   // dialog units
  int font_size = 0;
  std::wstring font_face;
  std::vector<SimControlDef> controls;
};

// A font the dialog made, as the simulation keeps it.
struct SimFont : public Font {
  std::wstring face;
  int height = 0;        // LOGFONT lfHeight
  int weight = 0;
  int charset = 0;
  bool underline = false;
};

// A message box as the user saw it, and the button that answered it.
struct SimMessageBox {
  std::wstring text;
  std::wstring caption;
  uint32_t flags = 0;
  int answer = 0;
  int owner_template = 0;  // 0: no owner
};

// Answers message boxes and records them (SimWindowFramework, or the dialog alone).
class SimMessageBoxes {
 public:
  // Queues answers for the next boxes; without one a box is answered by its first button.
  void Answer(int button);
  int Show(const std::wstring& text, const std::wstring& caption, uint32_t flags, int owner);
  std::vector<SimMessageBox> Shown() const;

 private:
  mutable std::mutex mutex_;
  std::deque<int> answers_;
  std::vector<SimMessageBox> shown_;
};

class SimDialogControls;

// What the dialog's logic is handed: the same controls, but a mistake fails loudly, as a silent
// default here would pass natively and do nothing on Windows. A control id that the dialog lacks,
// and any control call after the dialog is gone, abort the test program with a message naming the
// call. (Windows answers nothing there.) PostToDialog after the end answers false, as Windows does.
class SimLogicControls final : public DialogControls {
 public:
  explicit SimLogicControls(SimDialogControls& dialog) : d_(dialog) {}
  bool ControlExists(int control_id) override;
  std::wstring GetCaption() override;
  void SetCaption(const std::wstring& text) override;
  void End(int result) override;
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption, uint32_t flags) override;
  bool PostToDialog(uint32_t message, uintptr_t wparam, intptr_t lparam) override;
  void SetDialogIcon(int icon_id) override;
  void ClientSize(int* width, int* height) override;
  std::unique_ptr<Font> CreateUnderlinedDialogFont() override;
  std::unique_ptr<Font> CreateFontByFace(const std::wstring& face, int height, int weight,
                                         int charset) override;
  void SetControlFont(int control_id, const Font* font, bool redraw) override;
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
  int ListInsertColumn(int control_id, int column, const std::wstring& text, int width,
                       int format) override;
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
  // Checks the call (Guard), then runs the dialog's own `method` on the dialog's thread (see
  // RunOnDialogThread): the one body of every forward.
  template <typename R, typename... P, typename... A>
  R Forward(int control_id, const char* call, R (DialogControls::*method)(P...), A&&... args);

  SimDialogControls& d_;
};

class SimDialogControls : public DialogControls {
 public:
  SimDialogControls() = default;
  // A dialog made from `tmpl`, run by `logic` (may be null), boxes answered by `boxes` (may be null).
  SimDialogControls(const SimTemplate& tmpl, DialogLogic* logic, SimMessageBoxes* boxes);
  // The machine's failure injection: "PostMessageW" makes PostToDialog fail with its code.
  void UseFaults(SimFaults* faults) { faults_ = faults; }

  // DialogControls.
  int ComboAddString(int control_id, const std::wstring& text) override;
  bool ControlExists(int control_id) override;
  void SetProgressPos(int control_id, int position) override;
  std::wstring GetCaption() override;
  void SetCaption(const std::wstring& text) override;
  void End(int result) override;
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption, uint32_t flags) override;
  bool PostToDialog(uint32_t message, uintptr_t wparam, intptr_t lparam) override;
  void SetDialogIcon(int icon_id) override;
  void ClientSize(int* width, int* height) override;
  std::unique_ptr<Font> CreateUnderlinedDialogFont() override;
  std::unique_ptr<Font> CreateFontByFace(const std::wstring& face, int height, int weight,
                                         int charset) override;
  void SetControlFont(int control_id, const Font* font, bool redraw) override;
  void FocusControl(int control_id) override;
  void ListSetColumnText(int control_id, int column, const std::wstring& text) override;
  std::wstring GetText(int control_id) override;
  void SetText(int control_id, const std::wstring& text) override;
  void ShowControl(int control_id, bool show) override;
  bool IsControlVisible(int control_id) override;
  void EnableControl(int control_id, bool enable) override;
  bool IsControlEnabled(int control_id) override;
  void RedrawControl(int control_id) override;
  void SetCheck(int control_id, bool checked) override;
  bool IsChecked(int control_id) override;
  void ComboReset(int control_id) override;
  int ComboCount(int control_id) override;
  int ComboGetCurSel(int control_id) override;
  void ComboSetCurSel(int control_id, int index) override;
  std::wstring ComboItemText(int control_id, int index) override;
  void SetProgressRange(int control_id, int low, int high) override;
  void ListSetExtendedStyle(int control_id, uint32_t styles) override;
  void ListSetRowHeight(int control_id, int pixels) override;
  int ListClientWidth(int control_id) override;
  int ListInsertColumn(int control_id, int column, const std::wstring& text, int width,
                       int format) override;
  void ListSetColumnFormat(int control_id, int column, int format) override;
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

  // The controls as the dialog's logic sees them (see SimLogicControls).
  DialogControls& ForLogic() { return logic_view_; }
  // Aborts the program, naming `call`, when the dialog is gone or (for control_id != kNoControl)
  // the control does not exist.
  static constexpr int kNoControl = 0x7fffffff;
  void Guard(int control_id, const char* call);
  // Runs `call` on the dialog's thread: at once when called there; from another thread as
  // Windows delivers a message sent there, queued until the dialog's thread next handles its
  // messages (PumpUntil, PumpPending) while the caller waits. A dialog thread that waits for that
  // caller instead therefore deadlocks, as on Windows. False, without running it, when the dialog
  // is gone or goes before serving it.
  bool RunOnDialogThread(const std::function<void()>& call);

  // Arranging and reading back.
  void AddControl(int control_id);
  // The font last given to a control (null: none), and the control that has the focus (0: none).
  const SimFont* ControlFont(int control_id);
  int FocusedControl();
  // Paints a static control, check box or radio button (Windows asks WM_CTLCOLORSTATIC for all
  // three): the logic's answer; false when it left the drawing to the default or the control is
  // of another kind.
  bool PaintStatic(int control_id, CtlColor* out);
  // Erases the dialog's background: the logic's WM_CTLCOLORDLG answer; false when it left the
  // system's dialog colour.
  bool PaintDialog(CtlColor* out);
  // Sends WM_DEVICECHANGE as Windows does for a device event; the message's result. The default
  // window procedure answers TRUE.
  intptr_t DeviceChange(uint32_t event_type, uintptr_t data = 0);
  std::vector<std::wstring> ComboItems(int control_id);
  // Every position sent to a progress bar, unclamped, in order.
  std::vector<int> ProgressPositions(int control_id);
  int TemplateId() const { return template_.id; }
  const SimTemplate& Template() const { return template_; }
  bool Ended();
  int Result();
  // True once the modal run has returned: the window and its controls are gone.
  bool Destroyed();
  // Destroys the window: the logic's OnDestroy (once), then the controls are gone.
  void Destroy();
  int Icon();
  int ProgressLow(int control_id);
  int ProgressHigh(int control_id);
  int ListRowHeight(int control_id);
  uint32_t ListExtendedStyle(int control_id);
  int ListColumnCount(int control_id);
  int ListColumnWidth(int control_id, int column);
  int ListColumnFormat(int control_id, int column);
  std::wstring ListColumnText(int control_id, int column);
  // The row last scrolled into view, -1 when none.
  int ListVisibleItem(int control_id);
  int RedrawCount(int control_id);
  // The panel a created edit field lives in, -1 for a template control.
  int ParentPanel(int control_id);
  std::vector<int> ControlIds();

  // The user. Each action returns false (and does nothing) when the control cannot take it: it
  // is missing, hidden or disabled, or the dialog has ended.
  // A mouse click on a button, check box (toggles it) or radio button (checks it, clears the others
  // of its group): BN_CLICKED.
  bool Click(int control_id);
  // Escape or the close box: IDCANCEL.
  bool Close();
  // A click on list row `item`: the row becomes the selected and focused one (LVN_ITEMCHANGED for
  // each row whose state changes), then NM_CLICK. Item -1 clicks beside the rows: nothing selected.
  bool ClickRow(int control_id, int item, int sub_item = 0);
  // Picks combo entry `index` and sends CBN_SELCHANGE.
  bool SelectCombo(int control_id, int index);
  // Types into an edit field (replaces its text).
  bool TypeText(int control_id, const std::wstring& text);
  // Paints a list view through its custom drawing: the answers of the item steps, in row order,
  // each followed by its sub-item steps (one per column) when the item step asks for them; only
  // the pre-paint answer when it asks for no item steps.
  std::vector<CustomDraw> PaintList(int control_id);
  // Handles the messages posted to the dialog until `done` holds or `timeout_ms` pass; true
  // when `done` held.
  bool PumpUntil(const std::function<bool()>& done, int timeout_ms);
  // Handles what is posted now, without waiting.
  void PumpPending();

 private:
  SimFaults* faults_ = nullptr;
  struct ListRow {
    std::vector<std::wstring> cells;
    intptr_t data = 0;
    uint32_t state = 0;
  };
  struct ListColumn {
    std::wstring text;
    int width = 0;
    int format = 0;
  };
  struct Control {
    SimControlDef def;
    bool exists = false;
    std::wstring text;
    bool visible = true;
    bool enabled = true;
    bool checked = false;
    int parent = -1;
    std::vector<std::wstring> combo;
    int cursel = -1;
    std::vector<int> progress;
    int low = 0, high = 100;
    std::vector<ListRow> rows;
    std::vector<ListColumn> columns;
    uint32_t ext_style = 0;
    int row_height = 0;
    int visible_item = -1;
    int redraws = 0;
    const SimFont* font = nullptr;
  };
  struct Posted {
    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
  };

  Control& Get(int control_id);  // makes an entry (not existing) on first use
  bool Usable(int control_id);
  void Command(int id, int code);
  std::vector<ListNotification> SetStates(Control& c, int item, uint32_t state, uint32_t mask);
  void Notify(const std::vector<ListNotification>& notes);
  bool PopPosted(Posted* out, int timeout_ms);

  std::recursive_mutex mutex_;
  SimTemplate template_;
  DialogLogic* logic_ = nullptr;
  SimMessageBoxes* boxes_ = nullptr;
  SimMessageBoxes own_boxes_;
  std::map<int, Control> controls_;
  std::vector<int> order_;  // template order, for radio groups
  std::wstring caption_;
  bool ended_ = false;
  bool destroyed_ = false;
  bool destroy_sent_ = false;  // WM_DESTROY has reached the logic
  int result_ = 0;
  int icon_ = 0;
  int focused_ = 0;
  SimLogicControls logic_view_{*this};

  struct Sent {
    std::function<void()> call;
    bool finished = false;
    bool served = false;
  };
  // Runs the calls other threads have sent; dialog thread only.
  void ServeSent();

  std::thread::id thread_ = std::this_thread::get_id();  // the dialog's thread: its maker's
  std::mutex post_mutex_;
  std::condition_variable post_cv_;
  std::deque<Posted> posted_;
  std::deque<std::shared_ptr<Sent>> sent_;  // guarded by post_mutex_; post_cv_ signals both
};

// What tests call the dialog they drive.
using SimDialog = SimDialogControls;

}  // namespace platform::sim
