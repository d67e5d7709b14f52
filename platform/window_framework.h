// The window framework: modal dialogs, controls by id, message boxes, messages posted from other
// threads. Dialog classes hold the behaviour (a DialogLogic) and reach their controls only through
// DialogControls; platform/win32 binds them to real windows, platform/sim plays the user.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// Win32 values the dialogs name (winuser.h, commctrl.h).
namespace wnd {
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;
constexpr int kIdStatic = -1;

// MessageBox flags.
constexpr uint32_t kMbOk = 0x00;
constexpr uint32_t kMbOkCancel = 0x01;
constexpr uint32_t kMbYesNo = 0x04;
constexpr uint32_t kMbIconError = 0x10;
constexpr uint32_t kMbIconQuestion = 0x20;
constexpr uint32_t kMbIconExclamation = 0x30;
constexpr uint32_t kMbIconInformation = 0x40;

// WM_COMMAND notification codes.
constexpr int kBnClicked = 0;
constexpr int kCbnSelChange = 1;
constexpr int kStnClicked = 0;

// WM_NOTIFY codes.
constexpr int kNmClick = -2;
constexpr int kNmDblClk = -3;
constexpr int kNmRClick = -5;
constexpr int kNmCustomDraw = -12;
constexpr int kLvnItemChanging = -100;
constexpr int kLvnItemChanged = -101;
constexpr int kLvnColumnClick = -108;

// List-view item states, LVM_GETNEXTITEM flags, extended styles, column formats.
constexpr uint32_t kLvisFocused = 0x0001;
constexpr uint32_t kLvisSelected = 0x0002;
constexpr uint32_t kLvifState = 0x0008;
constexpr uint32_t kLvniSelected = 0x0002;
constexpr uint32_t kLvsExGridLines = 0x0001;
constexpr uint32_t kLvsExFullRowSelect = 0x0020;
constexpr int kLvcfmtLeft = 0;
constexpr int kLvcfmtCenter = 2;

// Custom-draw stages and answers.
constexpr uint32_t kCddsPrePaint = 0x00000001;
constexpr uint32_t kCddsItemPrePaint = 0x00010001;
constexpr uint32_t kCddsSubItemPrePaint = 0x00030001;
constexpr uint32_t kCdrfDoDefault = 0x00;
constexpr uint32_t kCdrfNewFont = 0x02;
constexpr uint32_t kCdrfSkipDefault = 0x04;
constexpr uint32_t kCdrfNotifyItemDraw = 0x20;
constexpr uint32_t kCdrfNotifySubItemDraw = 0x20;

// GetSysColor indexes.
constexpr int kColorWindow = 5;
constexpr int kColorWindowText = 8;
constexpr int kColorHighlight = 13;
constexpr int kColorHighlightText = 14;

// Messages the logic posts or receives.
constexpr uint32_t kWmApp = 0x8000;
constexpr uint32_t kWmDeviceChange = 0x0219;

// WM_DEVICECHANGE event types (dbt.h).
constexpr uint32_t kDbtDevNodesChanged = 0x0007;
constexpr uint32_t kDbtDeviceArrival = 0x8000;
constexpr uint32_t kDbtDeviceQueryRemove = 0x8001;
constexpr uint32_t kDbtDeviceRemoveComplete = 0x8004;

// Font weight and character set values (wingdi.h).
constexpr int kFwNormal = 400;
constexpr int kGb2312Charset = 134;

// A COLORREF: red in the low byte.
constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }
}  // namespace wnd

// A font made for a dialog (CreateFontIndirectW); the destructor deletes it. It must outlive
// every control it was given to, so the dialog's logic owns it beyond the modal run.
class Font {
 public:
  virtual ~Font() = default;
};

// A list-view WM_NOTIFY as the logic sees it: every code but NM_CUSTOMDRAW (OnCustomDraw).
// Item and sub-item come from NMITEMACTIVATE (NM_CLICK, NM_DBLCLK, NM_RCLICK ...) or NMLISTVIEW
// (the LVN_ codes); other codes carry item -1.
struct ListNotification {
  int control_id = 0;
  int code = 0;
  int item = -1;            // -1: no item (a click beside the rows)
  int sub_item = 0;
  uint32_t old_state = 0;   // LVN_ITEMCHANGED only
  uint32_t new_state = 0;
  uint32_t changed = 0;     // LVIF_STATE when the state changed
};

// One NM_CUSTOMDRAW step of a list view. The logic sets `result`; for an item or sub-item step
// it may select a font and a text colour (answer kCdrfNewFont then), or, to draw an item itself
// (with kCdrfSkipDefault), set `paint_item` and the fields after it.
struct CustomDraw {
  int control_id = 0;
  uint32_t stage = 0;
  int item = -1;
  int sub_item = 0;

  uint32_t result = wnd::kCdrfDoDefault;
  bool select_font = false;       // select `font` into the item's device context
  const Font* font = nullptr;     // null: the list's own font (WM_GETFONT)
  bool set_text_color = false;
  uint32_t text_rgb = 0;          // wnd::Rgb(...)
  bool paint_item = false;        // fill the item's bounds, then draw `text` on it
  int fill_color = wnd::kColorWindow;      // system colour index
  int text_color = wnd::kColorWindowText;  // system colour index
  std::wstring text;              // drawn on one line, centred both ways, transparent background
};

// The answer to WM_CTLCOLORSTATIC for one static control (label, link; Windows asks the same for
// check boxes and radio buttons), or to WM_CTLCOLORDLG for the dialog itself (control_id 0).
struct CtlColor {
  int control_id = 0;
  bool transparent = false;       // SetBkMode(TRANSPARENT)
  bool set_text_color = false;
  uint32_t text_rgb = 0;
  const Font* font = nullptr;     // selected into the device context when set
  bool white_brush = false;       // answer with the stock white brush (else the default brush)
};

// One live dialog's controls, addressed by control id. Calls may come from another thread (the
// installation worker); on Windows they then travel as synchronous messages to the dialog's thread.
// Every operation is pure: a backend that lacks one does not compile.
// Lengths in pixels (client size, list widths and rows, panels, font heights) are pixels at
// 96 DPI: the backend scales them to the dialog's DPI and back, so that the logic's numbers keep
// the look they have at 100 %.
class DialogControls {
 public:
  virtual ~DialogControls() = default;
  // IsWindow on the control: false while the dialog or the control does not exist.
  virtual bool ControlExists(int control_id) = 0;

  // The dialog itself.
  virtual std::wstring GetCaption() = 0;
  virtual void SetCaption(const std::wstring& text) = 0;
  // EndDialog: the modal run returns `result` once the current message is handled.
  virtual void End(int result) = 0;
  // MessageBoxW owned by the dialog: the button pressed (kIdOk ...).
  virtual int ShowMessageBox(const std::wstring& text, const std::wstring& caption, uint32_t flags) = 0;
  // PostMessageW to the dialog, from any thread; DialogLogic::OnMessage receives it on the
  // dialog's thread. False when the dialog is gone.
  virtual bool PostToDialog(uint32_t message, uintptr_t wparam, intptr_t lparam) = 0;
  // WM_SETICON, big and small, from the program's icon resource `icon_id`.
  virtual void SetDialogIcon(int icon_id) = 0;
  // The dialog's client area in pixels.
  virtual void ClientSize(int* width, int* height) = 0;

  // Fonts. The dialog's font (WM_GETFONT) with underlining; a font by face, height, weight and
  // character set. Null when it cannot be made.
  virtual std::unique_ptr<Font> CreateUnderlinedDialogFont() = 0;
  virtual std::unique_ptr<Font> CreateFontByFace(const std::wstring& face, int height, int weight,
                                                 int charset) = 0;
  // WM_SETFONT on a control (with redraw when asked). The font must outlive the control.
  virtual void SetControlFont(int control_id, const Font* font, bool redraw) = 0;

  // Any control.
  virtual std::wstring GetText(int control_id) = 0;
  virtual void SetText(int control_id, const std::wstring& text) = 0;
  virtual void ShowControl(int control_id, bool show) = 0;
  virtual bool IsControlVisible(int control_id) = 0;
  virtual void EnableControl(int control_id, bool enable) = 0;
  virtual bool IsControlEnabled(int control_id) = 0;
  // InvalidateRect (whole window, no erase) followed by UpdateWindow.
  virtual void RedrawControl(int control_id) = 0;
  // SetFocus on the control.
  virtual void FocusControl(int control_id) = 0;

  // Check boxes and radio buttons (BM_SETCHECK, BM_GETCHECK).
  virtual void SetCheck(int control_id, bool checked) = 0;
  virtual bool IsChecked(int control_id) = 0;

  // Combo boxes. CB_ADDSTRING: the new item's index, or -1 (CB_ERR).
  virtual int ComboAddString(int control_id, const std::wstring& text) = 0;
  virtual void ComboReset(int control_id) = 0;
  virtual int ComboCount(int control_id) = 0;
  virtual int ComboGetCurSel(int control_id) = 0;
  virtual void ComboSetCurSel(int control_id, int index) = 0;
  virtual std::wstring ComboItemText(int control_id, int index) = 0;

  // Progress bars (PBM_SETRANGE32, PBM_SETPOS; the bar clamps to its range).
  virtual void SetProgressRange(int control_id, int low, int high) = 0;
  virtual void SetProgressPos(int control_id, int position) = 0;

  // List views in report view.
  virtual void ListSetExtendedStyle(int control_id, uint32_t styles) = 0;
  // The rows' height in pixels, through a state image list of 1 x `pixels`.
  virtual void ListSetRowHeight(int control_id, int pixels) = 0;
  // The list's client width in pixels.
  virtual int ListClientWidth(int control_id) = 0;
  // LVM_INSERTCOLUMNW: the column's index or -1.
  virtual int ListInsertColumn(int control_id, int column, const std::wstring& text, int width,
                               int format) = 0;
  virtual void ListSetColumnFormat(int control_id, int column, int format) = 0;
  // LVM_SETCOLUMNW with a new caption.
  virtual void ListSetColumnText(int control_id, int column, const std::wstring& text) = 0;
  // LVM_INSERTITEMW with the item data: the row's index or -1.
  virtual int ListInsertItem(int control_id, int item, const std::wstring& text, intptr_t data) = 0;
  virtual void ListSetItemText(int control_id, int item, int sub_item, const std::wstring& text) = 0;
  // At most `max_chars` characters of the cell's text, terminator included.
  virtual std::wstring ListItemText(int control_id, int item, int sub_item, int max_chars) = 0;
  virtual intptr_t ListItemData(int control_id, int item) = 0;
  virtual int ListItemCount(int control_id) = 0;
  virtual void ListDeleteAllItems(int control_id) = 0;
  // LVM_GETNEXTITEM from `start` (-1: from the top) with flags such as kLvniSelected.
  virtual int ListNextItem(int control_id, int start, uint32_t flags) = 0;
  // LVM_SETITEMSTATE; item -1 means every row. Sends LVN_ITEMCHANGED for each change.
  virtual void ListSetItemState(int control_id, int item, uint32_t state, uint32_t mask) = 0;
  virtual uint32_t ListItemState(int control_id, int item, uint32_t mask) = 0;
  virtual void ListEnsureVisible(int control_id, int item) = 0;
  virtual void ListRedrawItems(int control_id, int first, int last) = 0;

  // Windows of the dialog's own making. A child panel (a plain window with a white background,
  // id `panel_id`) over the dialog, and an edit field inside such a panel; both exist until the
  // dialog ends and are addressed by their ids like the template's controls.
  virtual bool CreateChildPanel(int panel_id, int x, int y, int width, int height) = 0;
  virtual bool CreateEditField(int panel_id, int edit_id, int left, int top, int right, int bottom) = 0;
};

// The behaviour of one dialog; the framework calls it on the dialog's thread.
class DialogLogic {
 public:
  virtual ~DialogLogic() = default;
  // WM_INITDIALOG: the template's controls exist. TRUE lets the framework set the focus.
  virtual bool OnInitDialog(DialogControls& controls) = 0;
  // WM_COMMAND: control id and notification code. The default ends the dialog for IDOK and
  // IDCANCEL, as a plain dialog does (IDCANCEL also comes from Escape and the close box).
  virtual void OnCommand(DialogControls& controls, int id, int code) {
    (void)code;
    if (id == wnd::kIdOk || id == wnd::kIdCancel) controls.End(id);
  }
  // WM_NOTIFY from a list view: the message's result.
  virtual intptr_t OnNotify(DialogControls& controls, const ListNotification& notification) {
    (void)controls; (void)notification;
    return 0;
  }
  // NM_CUSTOMDRAW from a list view.
  virtual void OnCustomDraw(DialogControls& controls, CustomDraw& draw) {
    (void)controls; (void)draw;
  }
  // WM_CTLCOLORSTATIC (statics, check boxes, radio buttons): true when `color` says how to draw
  // the control; false leaves it to the framework's default.
  virtual bool OnCtlColorStatic(DialogControls& controls, CtlColor& color) {
    (void)controls; (void)color;
    return false;
  }
  // WM_CTLCOLORDLG: true when `color` (its white_brush) says how to paint the dialog's own
  // background; false leaves the system's dialog colour.
  virtual bool OnCtlColorDialog(DialogControls& controls, CtlColor& color) {
    (void)controls; (void)color;
    return false;
  }
  // WM_DEVICECHANGE with its event type and data; `default_result` is what the default window
  // procedure answers. Returns the message's result.
  virtual intptr_t OnDeviceChange(DialogControls& controls, uint32_t event_type, uintptr_t data,
                                  intptr_t default_result) {
    (void)controls; (void)event_type; (void)data;
    return default_result;
  }
  // WM_DESTROY: the dialog has ended and is going away; its controls still exist, so this is the
  // last moment to read them. The controls object itself ends with the modal run.
  virtual void OnDestroy(DialogControls& controls) { (void)controls; }
  // Any other message (WM_APP range, WM_DEVICECHANGE ...): true when handled, with *result set.
  virtual bool OnMessage(DialogControls& controls, uint32_t message, uintptr_t wparam,
                         intptr_t lparam, intptr_t* result) {
    (void)controls; (void)message; (void)wparam; (void)lparam; (void)result;
    return false;
  }
};

class WindowFramework {
 public:
  virtual ~WindowFramework() = default;
  // DoModal of dialog template `template_id` of the program's module, owned by `owner` (null: no
  // owner): the value the dialog ended with, or -1 when it could not be created.
  virtual int RunModal(int template_id, DialogLogic& logic, DialogControls* owner = nullptr) = 0;
  // MessageBoxW with no owner window: the button pressed.
  virtual int ShowMessageBox(const std::wstring& text, const std::wstring& caption, uint32_t flags) = 0;
  // Support for hosted controls and the common controls (list view, progress bar).
  virtual void EnableControlContainer() = 0;
};

}  // namespace platform
