#include "platform/win32/win32_dialog_controls.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "platform/win32/unique_handle.h"

namespace platform::win32 {

struct Win32DialogControls::Icons {
  unique_hicon big;
  unique_hicon small;
};

struct Win32Font::State {
  LOGFONTW lf = {};  // as the font was made, at `dpi`
  int dpi = 96;
  unique_hfont font;
};

Win32Font::Win32Font(std::shared_ptr<State> state) : state_(std::move(state)) {}

Win32Font::~Win32Font() = default;

void* Win32Font::Handle() const { return state_ ? state_->font.get() : nullptr; }

void* FontHandle(const Font* font) {
  const Win32Font* real = dynamic_cast<const Win32Font*>(font);
  return real != nullptr ? real->Handle() : nullptr;
}

namespace {
constexpr wchar_t kPanelClass[] = L"TavroPanel";

HWND H(void* p) { return static_cast<HWND>(p); }

constexpr int kDefaultDpi = 96;

int WindowDpi(HWND hwnd) {
  // user32 is loaded with the program; GetDpiForWindow exists from Windows 10 1607.
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const GetDpiForWindowFn get_dpi = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (get_dpi != nullptr && hwnd != nullptr) {
    UINT dpi = get_dpi(hwnd);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  // Earlier Windows: the system DPI, the one a system-aware program's windows have.
  unique_screen_dc dc(GetDC(nullptr));
  int dpi = dc ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : kDefaultDpi;
}

// SetDialogControlDpiChangeBehavior (Windows 10 1703): a control given a font of our own keeps
// it when the dialog manager rescales the dialog for another DPI; OnDpiChanged gives it the font
// made again for that DPI instead.
void KeepOwnFontOnDpiChange(HWND control, bool keep) {
  using SetBehaviorFn = BOOL(WINAPI*)(HWND, int, int);
  constexpr int kDcdcDisableFontUpdate = 1;
  static const SetBehaviorFn set_behavior = reinterpret_cast<SetBehaviorFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetDialogControlDpiChangeBehavior")));
  if (set_behavior != nullptr && control != nullptr) {
    set_behavior(control, kDcdcDisableFontUpdate, keep ? kDcdcDisableFontUpdate : 0);
  }
}

std::shared_ptr<Win32Font::State> MakeFontState(const LOGFONTW& lf, int dpi) {
  auto state = std::make_shared<Win32Font::State>();
  state->lf = lf;
  state->dpi = dpi;
  state->font.reset(CreateFontIndirectW(&lf));
  if (!state->font) return nullptr;
  return state;
}

bool RegisterPanelClass(HINSTANCE module) {
  WNDCLASSW wc = {};
  if (GetClassInfoW(module, kPanelClass, &wc)) return true;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = module;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kPanelClass;
  return RegisterClassW(&wc) != 0;
}
}  // namespace

Win32DialogControls::Win32DialogControls(void* module) : module_(module) {}

Win32DialogControls::~Win32DialogControls() = default;

void Win32DialogControls::Attach(void* hwnd) { hwnd_.store(hwnd); }

void Win32DialogControls::Detach() {
  std::lock_guard<std::mutex> lock(mutex_);
  hwnd_.store(nullptr);
  own_windows_.clear();
}

void* Win32DialogControls::Item(int control_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  HWND dialog = H(Dialog());
  if (dialog == nullptr) return nullptr;
  auto it = own_windows_.find(control_id);
  if (it != own_windows_.end()) return it->second;
  return GetDlgItem(dialog, control_id);
}

intptr_t Win32DialogControls::Send(int control_id, uint32_t message, uintptr_t wparam,
                                   intptr_t lparam) {
  HWND item = H(Item(control_id));
  if (item == nullptr) return 0;
  return SendMessageW(item, message, wparam, lparam);
}

bool Win32DialogControls::ControlExists(int control_id) {
  HWND item = H(Item(control_id));
  return item != nullptr && IsWindow(item);
}

std::wstring Win32DialogControls::GetCaption() {
  HWND dialog = H(Dialog());
  if (dialog == nullptr) return std::wstring();
  int n = GetWindowTextLengthW(dialog);
  std::vector<wchar_t> buf(n + 1);
  GetWindowTextW(dialog, buf.data(), n + 1);
  return buf.data();
}

void Win32DialogControls::SetCaption(const std::wstring& text) {
  HWND dialog = H(Dialog());
  if (dialog != nullptr) SetWindowTextW(dialog, text.c_str());
}

void Win32DialogControls::End(int result) {
  HWND dialog = H(Dialog());
  if (dialog != nullptr) EndDialog(dialog, result);
}

int Win32DialogControls::ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                                        uint32_t flags) {
  return MessageBoxW(H(Dialog()), text.c_str(), caption.c_str(), flags);
}

bool Win32DialogControls::PostToDialog(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  HWND hwnd = H(Dialog());
  return hwnd != nullptr && PostMessageW(hwnd, message, wparam, lparam) != 0;
}

void Win32DialogControls::SetDialogIcon(int icon_id) {
  HWND dialog = H(Dialog());
  if (dialog == nullptr) return;
  HINSTANCE module = static_cast<HINSTANCE>(module_);
  auto icons = std::make_unique<Icons>();
  icons->big.reset(static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(icon_id), IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXICON),
                                                 GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR)));
  icons->small.reset(static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(icon_id), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON),
                                                   GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
  if (icons->big) SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icons->big.get()));
  if (icons->small) {
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icons->small.get()));
  }
  icons_ = std::move(icons);
}

int Win32DialogControls::Dpi() {
  HWND dialog = H(Dialog());
  if (dialog == nullptr) return kDefaultDpi;
  std::lock_guard<std::mutex> lock(mutex_);
  if (dpi_ == 0) dpi_ = WindowDpi(dialog);
  return dpi_;
}

int Win32DialogControls::ScalePixels(int pixels) { return MulDiv(pixels, Dpi(), kDefaultDpi); }

int Win32DialogControls::UnscalePixels(int pixels) {
  // Rounded down, so that a length scaled back never exceeds the one measured.
  return static_cast<int>(static_cast<long long>(pixels) * kDefaultDpi / Dpi());
}

std::unique_ptr<Font> Win32DialogControls::Register(std::shared_ptr<Win32Font::State> state) {
  if (!state) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  fonts_.push_back(state);
  return std::make_unique<Win32Font>(std::move(state));
}

std::unique_ptr<Font> Win32DialogControls::CreateUnderlinedDialogFont() {
  HWND dialog = H(Dialog());
  if (dialog == nullptr) return nullptr;
  // The dialog manager made the dialog's font for the dialog's DPI already.
  HFONT base = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
  LOGFONTW lf = {};
  if (base == nullptr || GetObjectW(base, sizeof(lf), &lf) == 0) return nullptr;
  lf.lfUnderline = TRUE;
  return Register(MakeFontState(lf, Dpi()));
}

std::unique_ptr<Font> Win32DialogControls::CreateFontByFace(const std::wstring& face, int height,
                                                            int weight, int charset) {
  LOGFONTW lf = {};
  lf.lfHeight = ScalePixels(height);
  lf.lfWeight = weight;
  lf.lfCharSet = static_cast<BYTE>(charset);
  lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
  return Register(MakeFontState(lf, Dpi()));
}

void Win32DialogControls::SetControlFont(int control_id, const Font* font, bool redraw) {
  const Win32Font* own = dynamic_cast<const Win32Font*>(font);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (own != nullptr) {
      control_fonts_[control_id] = own->Shared();
    } else {
      control_fonts_.erase(control_id);
    }
  }
  KeepOwnFontOnDpiChange(H(Item(control_id)), own != nullptr);
  Send(control_id, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle(font)), redraw ? TRUE : FALSE);
}

void Win32DialogControls::OnDpiChanged(int new_dpi) {
  if (new_dpi <= 0) return;
  const int old_dpi = Dpi();
  std::vector<std::shared_ptr<Win32Font::State>> fonts;
  std::vector<std::pair<int, std::shared_ptr<Win32Font::State>>> given;
  std::map<int, int> rows;
  std::vector<int> lists;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::weak_ptr<Win32Font::State>> alive;
    for (const auto& weak : fonts_) {
      if (auto font = weak.lock()) {
        fonts.push_back(font);
        alive.push_back(font);
      }
    }
    fonts_.swap(alive);
    for (const auto& [id, weak] : control_fonts_) {
      if (auto font = weak.lock()) given.emplace_back(id, font);
    }
    rows = row_heights_;
    lists = lists_;
    dpi_ = new_dpi;
  }
  // The old fonts go only once no control holds them any more.
  std::vector<unique_hfont> old_fonts;
  for (const auto& font : fonts) {
    if (font->dpi == new_dpi) continue;
    LOGFONTW lf = font->lf;
    lf.lfHeight = MulDiv(font->lf.lfHeight, new_dpi, font->dpi);
    lf.lfWidth = MulDiv(font->lf.lfWidth, new_dpi, font->dpi);
    unique_hfont made(CreateFontIndirectW(&lf));
    if (!made) continue;  // keeps the font of the old DPI
    old_fonts.push_back(std::move(font->font));
    font->font = std::move(made);
    font->lf = lf;
    font->dpi = new_dpi;
  }
  for (const auto& [id, font] : given) {
    Send(id, WM_SETFONT, reinterpret_cast<WPARAM>(font->font.get()), TRUE);
  }
  for (int id : lists) {
    HWND header = reinterpret_cast<HWND>(Send(id, LVM_GETHEADER, 0, 0));
    int columns = header != nullptr ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (int column = 0; column < columns; ++column) {
      int width = static_cast<int>(Send(id, LVM_GETCOLUMNWIDTH, column, 0));
      Send(id, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(MulDiv(width, new_dpi, old_dpi), 0));
    }
  }
  for (const auto& [id, pixels] : rows) ListSetRowHeight(id, pixels);
}

void Win32DialogControls::FocusControl(int control_id) {
  HWND item = H(Item(control_id));
  if (item != nullptr) SetFocus(item);
}

void Win32DialogControls::ListSetColumnText(int control_id, int column, const std::wstring& text) {
  LVCOLUMNW col = {};
  col.mask = LVCF_TEXT;
  col.pszText = const_cast<wchar_t*>(text.c_str());
  Send(control_id, LVM_SETCOLUMNW, column, reinterpret_cast<LPARAM>(&col));
}

void Win32DialogControls::ClientSize(int* width, int* height) {
  RECT rc = {};
  HWND dialog = H(Dialog());
  if (dialog != nullptr) GetClientRect(dialog, &rc);
  *width = rc.right - rc.left;
  *height = rc.bottom - rc.top;
}

std::wstring Win32DialogControls::GetText(int control_id) {
  HWND item = H(Item(control_id));
  if (item == nullptr) return std::wstring();
  int n = GetWindowTextLengthW(item);
  std::vector<wchar_t> buf(n + 1);
  GetWindowTextW(item, buf.data(), n + 1);
  return buf.data();
}

void Win32DialogControls::SetText(int control_id, const std::wstring& text) {
  HWND item = H(Item(control_id));
  if (item != nullptr) SetWindowTextW(item, text.c_str());
}

void Win32DialogControls::ShowControl(int control_id, bool show) {
  HWND item = H(Item(control_id));
  if (item != nullptr) ShowWindow(item, show ? SW_SHOW : SW_HIDE);
}

bool Win32DialogControls::IsControlVisible(int control_id) {
  HWND item = H(Item(control_id));
  return item != nullptr && IsWindowVisible(item);
}

void Win32DialogControls::EnableControl(int control_id, bool enable) {
  HWND item = H(Item(control_id));
  if (item != nullptr) EnableWindow(item, enable ? TRUE : FALSE);
}

bool Win32DialogControls::IsControlEnabled(int control_id) {
  HWND item = H(Item(control_id));
  return item != nullptr && IsWindowEnabled(item);
}

void Win32DialogControls::RedrawControl(int control_id) {
  HWND item = H(Item(control_id));
  if (item == nullptr) return;
  InvalidateRect(item, nullptr, FALSE);
  UpdateWindow(item);
}

void Win32DialogControls::SetCheck(int control_id, bool checked) {
  Send(control_id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32DialogControls::IsChecked(int control_id) {
  return Send(control_id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int Win32DialogControls::ComboAddString(int control_id, const std::wstring& text) {
  if (!ControlExists(control_id)) return CB_ERR;
  return static_cast<int>(Send(control_id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

void Win32DialogControls::ComboReset(int control_id) { Send(control_id, CB_RESETCONTENT, 0, 0); }

int Win32DialogControls::ComboCount(int control_id) {
  return static_cast<int>(Send(control_id, CB_GETCOUNT, 0, 0));
}

int Win32DialogControls::ComboGetCurSel(int control_id) {
  if (!ControlExists(control_id)) return CB_ERR;
  return static_cast<int>(Send(control_id, CB_GETCURSEL, 0, 0));
}

void Win32DialogControls::ComboSetCurSel(int control_id, int index) {
  Send(control_id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::wstring Win32DialogControls::ComboItemText(int control_id, int index) {
  intptr_t n = Send(control_id, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (n <= 0) return std::wstring();
  std::vector<wchar_t> buf(n + 1);
  Send(control_id, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.data()));
  return buf.data();
}

void Win32DialogControls::SetProgressPos(int control_id, int position) {
  Send(control_id, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void Win32DialogControls::SetProgressRange(int control_id, int low, int high) {
  Send(control_id, PBM_SETRANGE32, static_cast<WPARAM>(low), high);
}

void Win32DialogControls::ListSetExtendedStyle(int control_id, uint32_t styles) {
  Send(control_id, LVM_SETEXTENDEDLISTVIEWSTYLE, styles, styles);
}

void Win32DialogControls::ListSetRowHeight(int control_id, int pixels) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    row_heights_[control_id] = pixels;
  }
  // A list view makes each row as high as its tallest image; the list frees the image list it
  // holds when it goes, and gives back the one it held before.
  HIMAGELIST images = ImageList_Create(1, ScalePixels(pixels), ILC_COLOR4, 0, 0);
  if (images == nullptr) return;
  unique_himagelist previous(reinterpret_cast<HIMAGELIST>(
      Send(control_id, LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(images))));
}

int Win32DialogControls::ListClientWidth(int control_id) {
  HWND item = H(Item(control_id));
  RECT rc = {};
  if (item != nullptr) GetClientRect(item, &rc);
  return UnscalePixels(rc.right - rc.left);
}

int Win32DialogControls::ListInsertColumn(int control_id, int column, const std::wstring& text,
                                          int width, int format) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (std::find(lists_.begin(), lists_.end(), control_id) == lists_.end()) lists_.push_back(control_id);
  }
  LVCOLUMNW col = {};
  col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  col.fmt = format;
  col.cx = ScalePixels(width);
  col.pszText = const_cast<wchar_t*>(text.c_str());
  col.iSubItem = column;
  if (!ControlExists(control_id)) return -1;
  return static_cast<int>(Send(control_id, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&col)));
}

void Win32DialogControls::ListSetColumnFormat(int control_id, int column, int format) {
  LVCOLUMNW col = {};
  col.mask = LVCF_FMT;
  col.fmt = format;
  Send(control_id, LVM_SETCOLUMNW, column, reinterpret_cast<LPARAM>(&col));
}

int Win32DialogControls::ListInsertItem(int control_id, int item, const std::wstring& text,
                                        intptr_t data) {
  LVITEMW lvi = {};
  lvi.mask = LVIF_TEXT | LVIF_PARAM;
  lvi.iItem = item;
  lvi.pszText = const_cast<wchar_t*>(text.c_str());
  lvi.lParam = data;
  if (!ControlExists(control_id)) return -1;
  return static_cast<int>(Send(control_id, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lvi)));
}

void Win32DialogControls::ListSetItemText(int control_id, int item, int sub_item,
                                          const std::wstring& text) {
  LVITEMW lvi = {};
  lvi.iSubItem = sub_item;
  lvi.pszText = const_cast<wchar_t*>(text.c_str());
  Send(control_id, LVM_SETITEMTEXTW, item, reinterpret_cast<LPARAM>(&lvi));
}

std::wstring Win32DialogControls::ListItemText(int control_id, int item, int sub_item,
                                               int max_chars) {
  if (max_chars <= 0) return std::wstring();
  std::vector<wchar_t> buf(max_chars, L'\0');
  LVITEMW lvi = {};
  lvi.iSubItem = sub_item;
  lvi.pszText = buf.data();
  lvi.cchTextMax = max_chars;
  Send(control_id, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&lvi));
  buf.back() = L'\0';
  return buf.data();
}

intptr_t Win32DialogControls::ListItemData(int control_id, int item) {
  LVITEMW lvi = {};
  lvi.mask = LVIF_PARAM;
  lvi.iItem = item;
  if (Send(control_id, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&lvi)) == 0) return 0;
  return lvi.lParam;
}

int Win32DialogControls::ListItemCount(int control_id) {
  return static_cast<int>(Send(control_id, LVM_GETITEMCOUNT, 0, 0));
}

void Win32DialogControls::ListDeleteAllItems(int control_id) {
  Send(control_id, LVM_DELETEALLITEMS, 0, 0);
}

int Win32DialogControls::ListNextItem(int control_id, int start, uint32_t flags) {
  if (!ControlExists(control_id)) return -1;
  return static_cast<int>(Send(control_id, LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(flags, 0)));
}

void Win32DialogControls::ListSetItemState(int control_id, int item, uint32_t state, uint32_t mask) {
  LVITEMW lvi = {};
  lvi.state = state;
  lvi.stateMask = mask;
  Send(control_id, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lvi));
}

uint32_t Win32DialogControls::ListItemState(int control_id, int item, uint32_t mask) {
  return static_cast<uint32_t>(Send(control_id, LVM_GETITEMSTATE, static_cast<WPARAM>(item), mask));
}

void Win32DialogControls::ListEnsureVisible(int control_id, int item) {
  Send(control_id, LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE);
}

void Win32DialogControls::ListRedrawItems(int control_id, int first, int last) {
  Send(control_id, LVM_REDRAWITEMS, static_cast<WPARAM>(first), last);
}

bool Win32DialogControls::CreateChildPanel(int panel_id, int x, int y, int width, int height) {
  HINSTANCE module = static_cast<HINSTANCE>(module_);
  HWND dialog = H(Dialog());
  if (dialog == nullptr || !RegisterPanelClass(module)) return false;
  HWND panel = CreateWindowExW(0, kPanelClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                               ScalePixels(x), ScalePixels(y), ScalePixels(width),
                               ScalePixels(height), dialog,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(panel_id)), module, nullptr);
  if (panel == nullptr) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  own_windows_[panel_id] = panel;
  return true;
}

bool Win32DialogControls::CreateEditField(int panel_id, int edit_id, int left, int top, int right,
                                          int bottom) {
  HWND panel = H(Item(panel_id));
  if (panel == nullptr) return false;
  HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL,
                              ScalePixels(left), ScalePixels(top), ScalePixels(right - left),
                              ScalePixels(bottom - top), panel,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(edit_id)),
                              static_cast<HINSTANCE>(module_), nullptr);
  if (edit == nullptr) return false;
  SendMessageW(edit, WM_SETFONT, SendMessageW(GetParent(panel), WM_GETFONT, 0, 0), FALSE);
  std::lock_guard<std::mutex> lock(mutex_);
  own_windows_[edit_id] = edit;
  return true;
}

}  // namespace platform::win32
