#include "platform/win32/win32_window_framework.h"

#include <windows.h>
#include <commctrl.h>

#include "platform/last_error.h"
#include "platform/win32/win32_dialog_controls.h"

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

INT_PTR Notify(HWND hwnd, DialogSession* s, const NMHDR* hdr) {
  if (!IsListView(hdr->hwndFrom)) return FALSE;
  intptr_t result = 0;
  int id = static_cast<int>(hdr->idFrom);
  if (hdr->code == NM_CUSTOMDRAW) {
    const NMLVCUSTOMDRAW* cd = reinterpret_cast<const NMLVCUSTOMDRAW*>(hdr);
    CustomDraw draw;
    draw.control_id = id;
    draw.stage = cd->nmcd.dwDrawStage;
    draw.item = static_cast<int>(cd->nmcd.dwItemSpec);
    draw.sub_item = cd->iSubItem;
    s->logic->OnCustomDraw(*s->controls, draw);
    if (draw.paint_item) PaintItem(cd, draw);
    result = draw.result;
  } else if (hdr->code == NM_CLICK) {
    const NMITEMACTIVATE* ia = reinterpret_cast<const NMITEMACTIVATE*>(hdr);
    ListNotification n{id, static_cast<int>(NM_CLICK), ia->iItem, ia->iSubItem, 0, 0, 0};
    result = s->logic->OnNotify(*s->controls, n);
  } else if (hdr->code == LVN_ITEMCHANGED) {
    const NMLISTVIEW* lv = reinterpret_cast<const NMLISTVIEW*>(hdr);
    ListNotification n{id, static_cast<int>(LVN_ITEMCHANGED), lv->iItem, lv->iSubItem,
                       lv->uOldState, lv->uNewState, lv->uChanged};
    result = s->logic->OnNotify(*s->controls, n);
  } else {
    return FALSE;
  }
  SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
  return TRUE;
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
      return Notify(hwnd, s, reinterpret_cast<const NMHDR*>(lparam));
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
