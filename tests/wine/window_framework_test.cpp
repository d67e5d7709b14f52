// The window framework's Windows binding in this process, on the main dialog's real template:
// the brushes a dialog answers while it is painted, and the pixel lengths and fonts it scales to
// the dialog's DPI, at start and when Windows moves it to a monitor of another DPI.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_dialog_controls.h"
#include "platform/win32/win32_window_framework.h"
#include "ui/resource.h"

namespace {

using platform::CtlColor;
using platform::DialogControls;
using platform::Font;

constexpr uint32_t kWmCheck = WM_APP + 1;

int ScreenDpi() {
  platform::win32::unique_screen_dc dc(GetDC(nullptr));
  return GetDeviceCaps(dc.get(), LOGPIXELSY);
}

LOGFONTW FontOf(HWND control) {
  LOGFONTW lf = {};
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  EXPECT_NE(font, nullptr);
  if (font != nullptr) GetObjectW(font, sizeof lf, &lf);
  return lf;
}

// Sets up fonts and a list column as the main dialog does, then runs `check` once the dialog is
// shown, and ends it.
class CheckingLogic : public platform::DialogLogic {
 public:
  explicit CheckingLogic(bool white) : white_(white) {}
  bool OnInitDialog(DialogControls& controls) override {
    hwnd = static_cast<HWND>(dynamic_cast<platform::win32::Win32DialogControls&>(controls).Hwnd());
    face_font = controls.CreateFontByFace(L"Tahoma", 12, FW_NORMAL, DEFAULT_CHARSET);
    underline_font = controls.CreateUnderlinedDialogFont();
    controls.SetControlFont(IDC_INSTALL_CANCEL, face_font.get(), true);
    controls.SetControlFont(IDC_ADD_NETWORK_PORT, underline_font.get(), true);
    controls.ListInsertColumn(IDC_PORT_LIST, 0, L"Port", 120, 0);
    controls.ListInsertColumn(IDC_PORT_LIST, 1, L"Description", 220, 0);
    controls.ListSetRowHeight(IDC_PORT_LIST, 20);
    controls.PostToDialog(kWmCheck, 0, 0);
    return true;
  }
  bool OnCtlColorStatic(DialogControls&, CtlColor& color) override {
    color.transparent = true;
    color.white_brush = white_;
    return white_;
  }
  bool OnCtlColorDialog(DialogControls&, CtlColor& color) override {
    color.white_brush = white_;
    return white_;
  }
  bool OnMessage(DialogControls& controls, uint32_t message, uintptr_t, intptr_t, intptr_t* result) override {
    if (message != kWmCheck) return false;
    if (check) check();
    controls.End(IDOK);
    *result = 0;
    return true;
  }

  HWND hwnd = nullptr;
  std::unique_ptr<Font> face_font;
  std::unique_ptr<Font> underline_font;
  std::function<void()> check;

 private:
  bool white_;
};

class WindowFrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override { windows_.EnableControlContainer(); }
  int Run(CheckingLogic& logic) { return windows_.RunModal(IDD_INSTALL, logic); }
  platform::win32::Win32WindowFramework windows_;
};

TEST_F(WindowFrameworkTest, TheDialogsBackgroundAndItsStaticsRadiosAndCheckBoxesAnswerTheWhiteBrush) {
  CheckingLogic logic(true);
  logic.check = [&] {
    HWND dialog = logic.hwnd;
    HDC dc = GetDC(dialog);
    const LRESULT white = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(SendMessageW(dialog, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(dialog)),
              white) << "the dialog's own background";
    for (int id : {IDC_RADIO_USB, IDC_RADIO_NETWORK, IDC_SET_DEFAULT, IDC_ADD_NETWORK_PORT}) {
      EXPECT_EQ(SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                             reinterpret_cast<LPARAM>(GetDlgItem(dialog, id))), white) << id;
      EXPECT_EQ(GetBkMode(dc), TRANSPARENT) << id;
    }
    ReleaseDC(dialog, dc);
  };
  EXPECT_EQ(Run(logic), IDOK);
}

TEST_F(WindowFrameworkTest, ADialogThatDoesNotAnswerKeepsTheSystemsDialogBrush) {
  CheckingLogic logic(false);
  logic.check = [&] {
    HWND dialog = logic.hwnd;
    HDC dc = GetDC(dialog);
    LRESULT brush = SendMessageW(dialog, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(dialog));
    EXPECT_NE(brush, reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(dialog, dc);
  };
  EXPECT_EQ(Run(logic), IDOK);
}

TEST_F(WindowFrameworkTest, PixelLengthsAndFontsFollowTheDialogsDpiAndItsChanges) {
  CheckingLogic logic(true);
  logic.check = [&] {
    HWND dialog = logic.hwnd;
    HWND list = GetDlgItem(dialog, IDC_PORT_LIST);
    const int dpi = ScreenDpi();
    EXPECT_EQ(FontOf(GetDlgItem(dialog, IDC_INSTALL_CANCEL)).lfHeight, MulDiv(12, dpi, 96));
    EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0), MulDiv(120, dpi, 96));
    EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0), MulDiv(220, dpi, 96));
    const LOGFONTW dialog_font = FontOf(dialog);
    const LOGFONTW link = FontOf(GetDlgItem(dialog, IDC_ADD_NETWORK_PORT));
    EXPECT_TRUE(link.lfUnderline);
    EXPECT_EQ(link.lfHeight, dialog_font.lfHeight) << "the dialog's font, underlined";

    // Moved to a monitor with half as much again.
    const int new_dpi = dpi * 3 / 2;
    RECT now = {};
    GetWindowRect(dialog, &now);
    RECT suggested = {now.left, now.top, now.left + (now.right - now.left) * 3 / 2,
                      now.top + (now.bottom - now.top) * 3 / 2};
    SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(new_dpi, new_dpi), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(FontOf(GetDlgItem(dialog, IDC_INSTALL_CANCEL)).lfHeight, MulDiv(12, new_dpi, 96));
    const LOGFONTW link_after = FontOf(GetDlgItem(dialog, IDC_ADD_NETWORK_PORT));
    EXPECT_TRUE(link_after.lfUnderline) << "the link keeps its own font";
    EXPECT_EQ(link_after.lfHeight, MulDiv(link.lfHeight, new_dpi, dpi));
    EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0), MulDiv(120, new_dpi, 96));
    EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0), MulDiv(220, new_dpi, 96));
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(dialog, IDC_INSTALL_CANCEL), WM_GETFONT, 0, 0)),
              static_cast<HFONT>(platform::win32::FontHandle(logic.face_font.get())))
        << "the control holds the font object the logic owns, made again";
  };
  EXPECT_EQ(Run(logic), IDOK);
}

}  // namespace
