#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "platform/last_error.h"
#include "platform/sim/sim_window_framework.h"

namespace platform::sim {
namespace {

constexpr int kList = 10;
constexpr int kCheck = 11;
constexpr int kRadioA = 12;
constexpr int kRadioB = 13;
constexpr int kRadioC = 14;
constexpr int kEnd = 15;
constexpr uint32_t kWmDone = wnd::kWmApp + 0x64;

SimTemplate TestTemplate() {
  SimTemplate t;
  t.id = 200;
  t.caption = L"Test";
  t.width = 100;
  t.height = 80;
  SimControlDef list;
  list.id = kList;
  list.kind = SimControlKind::kListView;
  list.style = 0x0004;  // LVS_SINGLESEL
  list.width = 60;
  t.controls.push_back(list);
  SimControlDef check;
  check.id = kCheck;
  check.kind = SimControlKind::kCheckBox;
  t.controls.push_back(check);
  for (int id : {kRadioA, kRadioB}) {
    SimControlDef radio;
    radio.id = id;
    radio.kind = SimControlKind::kRadio;
    radio.group = id == kRadioA;
    t.controls.push_back(radio);
  }
  SimControlDef other;
  other.id = kRadioC;
  other.kind = SimControlKind::kRadio;
  other.group = true;
  t.controls.push_back(other);
  SimControlDef end;
  end.id = kEnd;
  end.kind = SimControlKind::kPushButton;
  end.text = L"End";
  t.controls.push_back(end);
  return t;
}

// Records what the framework hands it.
class RecordingLogic : public DialogLogic {
 public:
  bool OnInitDialog(DialogControls& controls) override {
    inits++;
    for (int i = 0; i < 3; ++i) controls.ListInsertItem(kList, i, L"row" + std::to_wstring(i), 100 + i);
    return true;
  }
  void OnCommand(DialogControls& controls, int id, int code) override {
    commands.push_back(id);
    if (id == kEnd) controls.End(42);
    DialogLogic::OnCommand(controls, id, code);
  }
  intptr_t OnNotify(DialogControls& controls, const ListNotification& n) override {
    (void)controls;
    notes.push_back(n);
    return 0;
  }
  bool OnMessage(DialogControls& controls, uint32_t message, uintptr_t wparam, intptr_t lparam,
                 intptr_t* result) override {
    (void)lparam;
    *result = 0;
    if (message != kWmDone) return false;
    controls.End(static_cast<int>(wparam));
    return true;
  }
  void OnDestroy(DialogControls& controls) override {
    destroys++;
    text_at_destroy = controls.GetText(kEnd);
    list_at_destroy = controls.ControlExists(kList);
  }
  int inits = 0;
  int destroys = 0;
  std::wstring text_at_destroy;
  bool list_at_destroy = false;
  std::vector<int> commands;
  std::vector<ListNotification> notes;
};

class SimWindowFrameworkTest : public ::testing::Test {
 protected:
  SimWindowFrameworkTest() : windows(faults) { windows.DefineTemplate(TestTemplate()); }
  SimFaults faults;
  SimWindowFramework windows;
  RecordingLogic logic;
};

TEST_F(SimWindowFrameworkTest, RunsInitThenTheScriptAndReturnsTheEndValue) {
  windows.Script(200, [&](SimDialog& d) {
    EXPECT_EQ(logic.inits, 1);
    EXPECT_EQ(d.ListItemCount(kList), 3);
    EXPECT_EQ(d.ListItemData(kList, 2), 102);
    EXPECT_TRUE(d.Click(kEnd));
    EXPECT_FALSE(d.Click(kEnd)) << "an ended dialog takes no more clicks";
  });
  EXPECT_EQ(windows.RunModal(200, logic), 42);
  EXPECT_EQ(logic.commands, std::vector<int>{kEnd});
  // The logic's last look at its controls comes after the end, while they still exist.
  EXPECT_EQ(logic.destroys, 1);
  EXPECT_TRUE(logic.list_at_destroy);
  EXPECT_EQ(logic.text_at_destroy, L"End");
  auto last = windows.LastDialog(200);
  ASSERT_NE(last, nullptr);
  EXPECT_TRUE(last->Destroyed());
  EXPECT_FALSE(last->ControlExists(kList));
}

TEST_F(SimWindowFrameworkTest, MissingTemplateOrFailingCallGivesMinusOne) {
  EXPECT_EQ(windows.RunModal(999, logic), -1);
  EXPECT_EQ(LastErrorCode(), err::kResourceNameNotFound);
  faults.Fail("DialogBoxParamW", err::kNotEnoughMemory, 1);
  EXPECT_EQ(windows.RunModal(200, logic), -1);
  EXPECT_EQ(logic.inits, 0);
  EXPECT_EQ(logic.destroys, 0);
}

TEST_F(SimWindowFrameworkTest, UnscriptedDialogIsCancelled) {
  EXPECT_EQ(windows.RunModal(200, logic), wnd::kIdCancel);
  EXPECT_EQ(windows.UnscriptedRuns(), 1);
}

TEST_F(SimWindowFrameworkTest, RowClicksMoveSelectionAndNotifyEachChangedRow) {
  windows.Script(200, [&](SimDialog& d) {
    d.ClickRow(kList, 0);
    logic.notes.clear();
    d.ClickRow(kList, 2);
    ASSERT_EQ(logic.notes.size(), 3u);
    EXPECT_EQ(logic.notes[0].code, wnd::kLvnItemChanged);
    EXPECT_EQ(logic.notes[0].item, 0);
    EXPECT_EQ(logic.notes[0].new_state & wnd::kLvisSelected, 0u);
    EXPECT_EQ(logic.notes[1].item, 2);
    EXPECT_NE(logic.notes[1].new_state & wnd::kLvisSelected, 0u);
    EXPECT_EQ(logic.notes[2].code, wnd::kNmClick);
    EXPECT_EQ(d.ListNextItem(kList, -1, wnd::kLvniSelected), 2);
    d.ClickRow(kList, -1);
    EXPECT_EQ(d.ListNextItem(kList, -1, wnd::kLvniSelected), -1);
    // A single-selection list keeps one selected row when the logic selects another.
    d.ListSetItemState(kList, 0, wnd::kLvisSelected, wnd::kLvisSelected);
    d.ListSetItemState(kList, 1, wnd::kLvisSelected, wnd::kLvisSelected);
    EXPECT_EQ(d.ListNextItem(kList, -1, wnd::kLvniSelected), 1);
    EXPECT_EQ(d.ListNextItem(kList, 1, wnd::kLvniSelected), -1);
    d.Close();
  });
  EXPECT_EQ(windows.RunModal(200, logic), wnd::kIdCancel);
}

TEST_F(SimWindowFrameworkTest, ChecksToggleAndRadiosClearTheirGroupOnly) {
  windows.Script(200, [&](SimDialog& d) {
    d.Click(kCheck);
    EXPECT_TRUE(d.IsChecked(kCheck));
    d.Click(kCheck);
    EXPECT_FALSE(d.IsChecked(kCheck));
    d.Click(kRadioC);
    d.Click(kRadioA);
    d.Click(kRadioB);
    EXPECT_FALSE(d.IsChecked(kRadioA));
    EXPECT_TRUE(d.IsChecked(kRadioB));
    EXPECT_TRUE(d.IsChecked(kRadioC)) << "another group";
    d.EnableControl(kRadioA, false);
    EXPECT_FALSE(d.Click(kRadioA));
    d.ShowControl(kCheck, false);
    EXPECT_FALSE(d.Click(kCheck));
    d.Close();
  });
  windows.RunModal(200, logic);
}

TEST_F(SimWindowFrameworkTest, MessagesPostedFromAnotherThreadEndTheDialog) {
  std::thread worker;
  windows.Script(200, [&](SimDialog& d) {
    worker = std::thread([&d] { d.PostToDialog(kWmDone, 7, 0); });
  });
  EXPECT_EQ(windows.RunModal(200, logic), 7);
  worker.join();
  EXPECT_EQ(windows.TimedOutRuns(), 0);
}

TEST_F(SimWindowFrameworkTest, OpenDialogWithNothingPostedTimesOut) {
  windows.SetPumpTimeoutMs(50);
  windows.Script(200, [](SimDialog&) {});
  EXPECT_EQ(windows.RunModal(200, logic), -1);
  EXPECT_EQ(windows.TimedOutRuns(), 1);
}

TEST_F(SimWindowFrameworkTest, MessageBoxesAreRecordedAndAnsweredInOrder) {
  windows.AnswerMessageBox(wnd::kIdNo);
  windows.Script(200, [&](SimDialog& d) {
    EXPECT_EQ(d.ShowMessageBox(L"Sure?", L"Q", wnd::kMbYesNo), wnd::kIdNo);
    EXPECT_EQ(d.ShowMessageBox(L"Done", L"I", wnd::kMbIconInformation), wnd::kIdOk);
    d.Close();
  });
  windows.RunModal(200, logic);
  auto boxes = windows.MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, L"Sure?");
  EXPECT_EQ(boxes[0].owner_template, 200);
  EXPECT_EQ(boxes[1].flags, wnd::kMbIconInformation);
}

TEST(SimDialogControls, PanelsHoldEditFieldsThatHideWithThem) {
  SimDialogControls d;
  EXPECT_FALSE(d.CreateEditField(5, 6, 0, 0, 10, 10)) << "no panel yet";
  ASSERT_TRUE(d.CreateChildPanel(5, 0, 0, 100, 50));
  ASSERT_TRUE(d.CreateEditField(5, 6, 38, 182, 362, 204));
  d.SetText(6, L"C:\\Program Files (x86)\\USB Printer");
  EXPECT_TRUE(d.IsControlVisible(6));
  d.ShowControl(5, false);
  EXPECT_FALSE(d.IsControlVisible(6));
  EXPECT_EQ(d.GetText(6), L"C:\\Program Files (x86)\\USB Printer");
  EXPECT_EQ(d.ParentPanel(6), 5);
}

TEST(SimDialogControls, ItemTextIsCutToTheCallersBuffer) {
  SimDialogControls d;
  d.ListInsertItem(1, 0, L"abcdef", 0);
  EXPECT_EQ(d.ListItemText(1, 0, 0, 4), L"abc");
  EXPECT_EQ(d.ListItemText(1, 5, 0, 4), L"");
}

// A logic that does one thing in its initialisation and then, when asked, after its end.
class OneCallLogic : public DialogLogic {
 public:
  explicit OneCallLogic(std::function<void(DialogControls&)> call) : call_(std::move(call)) {}
  bool OnInitDialog(DialogControls& controls) override {
    call_(controls);
    return true;
  }

 private:
  std::function<void(DialogControls&)> call_;
};

TEST_F(SimWindowFrameworkTest, AnotherThreadsControlCallsWaitForTheDialogsThread) {
  std::thread worker;
  std::atomic<bool> answered{false};
  std::wstring text;
  windows.Script(200, [&](SimDialog& d) {
    DialogControls& logic_view = d.ForLogic();
    worker = std::thread([&] {
      text = logic_view.GetText(kEnd);
      answered = true;
    });
    // While the dialog's thread handles no messages the call waits, as SendMessage does; a
    // dialog thread that joined the worker here would never return.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(answered.load());
    EXPECT_TRUE(d.PumpUntil([&] { return answered.load(); }, 5000));
    d.Close();
  });
  windows.RunModal(200, logic);
  worker.join();
  EXPECT_EQ(text, L"End");
}

using SimWindowFrameworkDeathTest = SimWindowFrameworkTest;

TEST_F(SimWindowFrameworkDeathTest, AControlTheTemplateLacksFailsLoudly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  OneCallLogic typo([](DialogControls& c) { c.SetText(kEnd + 1000, L"x"); });
  EXPECT_DEATH(windows.RunModal(200, typo), "SetText\\(1015\\) of dialog 200 names a control the dialog lacks");
  OneCallLogic query([](DialogControls& c) { EXPECT_FALSE(c.ControlExists(999)); c.End(3); });
  EXPECT_EQ(windows.RunModal(200, query), 3) << "asking whether a control exists is no mistake";
}

TEST_F(SimWindowFrameworkDeathTest, ACallAfterTheDialogIsGoneFailsLoudly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  DialogControls* kept = nullptr;
  OneCallLogic keeper([&](DialogControls& c) { kept = &c; c.End(1); });
  ASSERT_EQ(windows.RunModal(200, keeper), 1);
  ASSERT_NE(kept, nullptr);
  // Windows answers nothing there: a post fails quietly, anything else is a mistake.
  EXPECT_FALSE(kept->PostToDialog(kWmDone, 0, 0));
  EXPECT_DEATH(kept->IsChecked(kCheck), "IsChecked\\(11\\) of dialog 200 called after the dialog was destroyed");
  EXPECT_DEATH(kept->SetCaption(L"late"), "SetCaption");
}

// Draws the test list: item steps ask for sub-item steps, which pick a font and colour per column.
class DrawingLogic : public RecordingLogic {
 public:
  void OnCustomDraw(DialogControls& controls, CustomDraw& draw) override {
    if (draw.stage == wnd::kCddsPrePaint) draw.result = wnd::kCdrfNotifyItemDraw;
    if (draw.stage == wnd::kCddsItemPrePaint) draw.result = wnd::kCdrfNotifySubItemDraw;
    if (draw.stage != wnd::kCddsSubItemPrePaint) return;
    if (!font) font = controls.CreateUnderlinedDialogFont();
    draw.select_font = true;
    draw.font = draw.sub_item == 1 ? font.get() : nullptr;
    draw.set_text_color = draw.sub_item == 1;
    draw.text_rgb = wnd::Rgb(0, 0, 255);
    draw.result = wnd::kCdrfNewFont;
  }
  bool OnCtlColorStatic(DialogControls&, CtlColor& color) override {
    color.transparent = true;
    color.white_brush = true;
    return color.control_id == 16 || color.control_id == kCheck || color.control_id == kRadioA;
  }
  bool OnCtlColorDialog(DialogControls&, CtlColor& color) override {
    color.white_brush = true;
    return true;
  }
  intptr_t OnDeviceChange(DialogControls&, uint32_t type, uintptr_t, intptr_t fallback) override {
    events.push_back(type);
    return fallback;
  }
  std::unique_ptr<Font> font;
  std::vector<uint32_t> events;
};

TEST_F(SimWindowFrameworkTest, PaintingReachesSubItemsStaticsAndDeviceEventsReachTheLogic) {
  SimTemplate t = TestTemplate();
  SimControlDef label;
  label.id = 16;
  label.kind = SimControlKind::kStatic;
  t.controls.push_back(label);
  t.font_face = L"MS Shell Dlg";
  t.font_size = 8;
  windows.DefineTemplate(t);
  DrawingLogic drawing;
  windows.Script(200, [&](SimDialog& d) {
    d.ListInsertColumn(kList, 0, L"A", 10, 0);
    d.ListInsertColumn(kList, 1, L"B", 10, 0);
    std::vector<CustomDraw> steps = d.PaintList(kList);
    // Pre-paint, then per row one item step and two sub-item steps.
    ASSERT_EQ(steps.size(), 3u * 3u);
    EXPECT_EQ(steps[1].stage, wnd::kCddsSubItemPrePaint);
    EXPECT_EQ(steps[1].font, nullptr);
    const SimFont* underlined = dynamic_cast<const SimFont*>(steps[2].font);
    ASSERT_NE(underlined, nullptr);
    EXPECT_TRUE(underlined->underline);
    EXPECT_EQ(underlined->face, L"MS Shell Dlg");
    EXPECT_EQ(steps[2].text_rgb, 0xFF0000u) << "COLORREF keeps blue in the high byte";
    CtlColor color;
    EXPECT_TRUE(d.PaintStatic(16, &color));
    EXPECT_TRUE(color.white_brush);
    EXPECT_FALSE(d.PaintStatic(kEnd, &color)) << "a push button is asked WM_CTLCOLORBTN instead";
    // Check boxes and radio buttons are asked as statics are.
    for (int id : {kCheck, kRadioA}) {
      color = CtlColor();
      EXPECT_TRUE(d.PaintStatic(id, &color)) << id;
      EXPECT_EQ(color.control_id, id);
      EXPECT_TRUE(color.white_brush) << id;
    }
    color = CtlColor();
    EXPECT_TRUE(d.PaintDialog(&color));
    EXPECT_TRUE(color.white_brush);
    EXPECT_EQ(d.DeviceChange(wnd::kDbtDeviceQueryRemove), 1) << "the default answer grants it";
    d.Close();
  });
  windows.RunModal(200, drawing);
  EXPECT_EQ(drawing.events, std::vector<uint32_t>{wnd::kDbtDeviceQueryRemove});
}

TEST_F(SimWindowFrameworkTest, ADialogThatDoesNotAnswerKeepsTheSystemColours) {
  windows.Script(200, [&](SimDialog& d) {
    CtlColor color;
    EXPECT_FALSE(d.PaintDialog(&color));
    EXPECT_FALSE(d.PaintStatic(kCheck, &color));
    d.Close();
  });
  windows.RunModal(200, logic);
}

}  // namespace
}  // namespace platform::sim
