#include "platform/win32/win32_window_framework.h"

#include <windows.h>
#include <commctrl.h>

#include "platform/last_error.h"
#include "platform/win32/win32_dialog_controls.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace platform::win32 {

namespace {

struct DialogSession {
  DialogLogic* logic;
  Win32DialogControls* controls;
};

bool IsListView(HWND hwnd) {
  wchar_t name[32] = {};
  GetClassNameW(hwnd, name, 32);
  return lstrcmpiW(name, WC_LISTVIEWW) == 0;
}

// Draws one list row as the logic asked: its bounds filled, its text centred on one line.
void PaintItem(const NMLVCUSTOMDRAW* cd, const CustomDraw& draw) {
  RECT rc = {};
  rc.left = LVIR_BOUNDS;
  SendMessageW(cd->nmcd.hdr.hwndFrom, LVM_GETITEMRECT, cd->nmcd.dwItemSpec, reinterpret_cast<LPARAM>(&rc));
  HDC dc = cd->nmcd.hdc;
  FillRect(dc, &rc, GetSysColorBrush(draw.fill_color));
  SetTextColor(dc, GetSysColor(draw.text_color));
  SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, draw.text.c_str(), -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// NM_CUSTOMDRAW: the logic answers; a font or text colour it chose goes into the device context
// and the list's own colour field.
intptr_t CustomDrawStep(DialogSession* s, NMLVCUSTOMDRAW* cd, int id) {
  CustomDraw draw;
  draw.control_id = id;
  draw.stage = cd->nmcd.dwDrawStage;
  draw.item = static_cast<int>(cd->nmcd.dwItemSpec);
  draw.sub_item = cd->iSubItem;
  s->logic->OnCustomDraw(*s->controls, draw);
  if (draw.paint_item) PaintItem(cd, draw);
  if (draw.select_font) {
    HFONT font = static_cast<HFONT>(FontHandle(draw.font));
    if (font == nullptr) {
      font = reinterpret_cast<HFONT>(SendMessageW(cd->nmcd.hdr.hwndFrom, WM_GETFONT, 0, 0));
    }
    if (font != nullptr) SelectObject(cd->nmcd.hdc, font);
  }
  if (draw.set_text_color) {
    cd->clrText = draw.text_rgb;
    SetTextColor(cd->nmcd.hdc, draw.text_rgb);
  }
  return draw.result;
}

INT_PTR Notify(HWND hwnd, DialogSession* s, NMHDR* hdr) {
  if (!IsListView(hdr->hwndFrom)) return FALSE;
  intptr_t result = 0;
  int id = static_cast<int>(hdr->idFrom);
  int code = static_cast<int>(hdr->code);
  if (hdr->code == NM_CUSTOMDRAW) {
    result = CustomDrawStep(s, reinterpret_cast<NMLVCUSTOMDRAW*>(hdr), id);
  } else {
    // Every other notification reaches the logic, with the item its structure names.
    ListNotification n{id, code, -1, 0, 0, 0, 0};
    if (hdr->code == NM_CLICK || hdr->code == NM_DBLCLK || hdr->code == NM_RCLICK ||
        hdr->code == NM_RDBLCLK) {
      const NMITEMACTIVATE* ia = reinterpret_cast<const NMITEMACTIVATE*>(hdr);
      n.item = ia->iItem;
      n.sub_item = ia->iSubItem;
    } else if (hdr->code == LVN_ITEMCHANGED || hdr->code == LVN_ITEMCHANGING ||
               hdr->code == LVN_COLUMNCLICK || hdr->code == LVN_DELETEITEM ||
               hdr->code == LVN_INSERTITEM) {
      const NMLISTVIEW* lv = reinterpret_cast<const NMLISTVIEW*>(hdr);
      n.item = lv->iItem;
      n.sub_item = lv->iSubItem;
      n.old_state = lv->uOldState;
      n.new_state = lv->uNewState;
      n.changed = lv->uChanged;
    }
    result = s->logic->OnNotify(*s->controls, n);
  }
  SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
  return TRUE;
}

// WM_CTLCOLORSTATIC: the brush answers the message itself; FALSE leaves the default drawing.
INT_PTR CtlColorStatic(DialogSession* s, HDC dc, HWND control) {
  CtlColor color;
  color.control_id = GetDlgCtrlID(control);
  if (!s->logic->OnCtlColorStatic(*s->controls, color)) return FALSE;
  if (color.transparent) SetBkMode(dc, TRANSPARENT);
  if (color.set_text_color) SetTextColor(dc, color.text_rgb);
  HFONT font = static_cast<HFONT>(FontHandle(color.font));
  if (font != nullptr) SelectObject(dc, font);
  HBRUSH brush = color.white_brush ? static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))
                                   : GetSysColorBrush(COLOR_BTNFACE);
  return reinterpret_cast<INT_PTR>(brush);
}

// WM_CTLCOLORDLG: the brush the dialog manager erases the dialog's background with.
INT_PTR CtlColorDialog(DialogSession* s) {
  CtlColor color;
  if (!s->logic->OnCtlColorDialog(*s->controls, color)) return FALSE;
  HBRUSH brush = color.white_brush ? static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))
                                   : GetSysColorBrush(COLOR_BTNFACE);
  return reinterpret_cast<INT_PTR>(brush);
}

// The one dialog procedure of every dialog: it forwards to the logic the session names.
INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    DialogSession* s = reinterpret_cast<DialogSession*>(lparam);
    SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(s));
    s->controls->Attach(hwnd);
    return s->logic->OnInitDialog(*s->controls) ? TRUE : FALSE;
  }
  DialogSession* s = reinterpret_cast<DialogSession*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (s == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND:
      s->logic->OnCommand(*s->controls, LOWORD(wparam), HIWORD(wparam));
      return TRUE;
    case WM_NOTIFY:
      return Notify(hwnd, s, reinterpret_cast<NMHDR*>(lparam));
    case WM_CTLCOLORSTATIC:
      return CtlColorStatic(s, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_CTLCOLORDLG:
      return CtlColorDialog(s);
    case WM_DPICHANGED:
      // The fonts made by code follow the new DPI; FALSE lets the dialog manager resize the
      // dialog and its template controls (per-monitor v2, Windows 10 1703 and later).
      s->controls->OnDpiChanged(LOWORD(wparam));
      return FALSE;
    case WM_DEVICECHANGE: {
      LRESULT fallback = DefWindowProcW(hwnd, message, wparam, lparam);
      intptr_t result = s->logic->OnDeviceChange(*s->controls, static_cast<uint32_t>(wparam),
                                                 static_cast<uintptr_t>(lparam), fallback);
      SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_DESTROY:
      // Sent before the child windows go: the logic reads its last texts here.
      s->logic->OnDestroy(*s->controls);
      return FALSE;
    case WM_NCDESTROY:
      s->controls->Detach();
      SetWindowLongPtrW(hwnd, DWLP_USER, 0);
      return FALSE;
    default: {
      intptr_t result = 0;
      if (!s->logic->OnMessage(*s->controls, message, wparam, lparam, &result)) return FALSE;
      // The colour messages answer with the brush itself, everything else through DWLP_MSGRESULT.
      if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) return result;
      SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
      return TRUE;
    }
  }
}

}  // namespace

Win32WindowFramework::Win32WindowFramework() : module_(GetModuleHandleW(nullptr)) {}

int Win32WindowFramework::RunModal(int template_id, DialogLogic& logic, DialogControls* owner) {
  Win32DialogControls controls(module_);
  DialogSession session{&logic, &controls};
  HWND owner_hwnd = nullptr;
  if (auto* real = dynamic_cast<Win32DialogControls*>(owner)) owner_hwnd = static_cast<HWND>(real->Hwnd());
  INT_PTR result = DialogBoxParamW(static_cast<HINSTANCE>(module_), MAKEINTRESOURCEW(template_id),
                                   owner_hwnd, DialogProc, reinterpret_cast<LPARAM>(&session));
  if (result == -1) {
    SetLastErrorCode(GetLastError());
    return -1;
  }
  return static_cast<int>(result);
}

int Win32WindowFramework::ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                                         uint32_t flags) {
  return MessageBoxW(nullptr, text.c_str(), caption.c_str(), flags);
}

void Win32WindowFramework::EnableControlContainer() {
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
}

}  // namespace platform::win32
