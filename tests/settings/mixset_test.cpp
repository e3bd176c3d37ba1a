// The preset picker and the per-window preset commands, driven as a user would.
#include "settings/mixset.h"

#include <algorithm>
#include <chrono>

#include "controls/Class_b.h"
#include "platform/winuser.h"
#include "settings/formstate.h"
#include "settings_fixture.h"
#include "ui/stdctrls.h"
#include "ui/useractions.h"

namespace settings::testing {
namespace {

constexpr const char* kMixerLayout = R"(object Mixer: TTestWindow
  Caption = 'Analog Outputs'
  Width = 400
  Height = 300
  OnClose = FormClose
  object chkFader: TCheckBox
    Tag = -1
    OnClick = Note
  end
  object Slider3: TSlider
    Left = 100
    Height = 112
    Max = 32767
    Position = 500
  end
end
)";

class PickerTest : public SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    w = MakeWindow(kMixerLayout);
    w->log.clear();
  }
  TfrmMixSettings* Picker() {
    for (ui::TForm* f : app.Forms())
      if (auto* p = dynamic_cast<TfrmMixSettings*>(f)) return p;
    return nullptr;
  }
  // Runs the picker on w; then runs the scripted user actions on it.
  std::string Run(std::vector<std::function<void(TfrmMixSettings&)>> actions) {
    for (auto& a : actions) ws.Script([this, a] { a(*Picker()); });
    std::string name = RunPresetPicker(*w, kSettingsFileName, "Beschreibung");
    EXPECT_TRUE(ws.ScriptEmpty());
    EXPECT_EQ(Picker(), nullptr);  // the picker is destroyed afterwards
    return name;
  }
  static void Ok(TfrmMixSettings& p) { ui::user::Click(p.btnOk); }
  static void Cancel(TfrmMixSettings& p) { ui::user::Click(p.btnCancel); }
  TTestWindow* w = nullptr;
};

TEST_F(PickerTest, ListsTheWindowsPresetsSortedAndStartsWithTheFirst) {
  Put("[Analog Outputs]\r\nTop=1\r\n[Analog Outputs Zeta]\r\nx=1\r\n[Analog OutputsXYZ]\r\nx=1\r\n"
      "[Analog Inputs Live]\r\nx=1\r\n[Analog Outputs Live]\r\nx=1\r\n[Analog Outputs A]\r\nx=1\r\n"
      "[Analog Outputs-]\r\nx=1\r\n");
  std::vector<std::string> listed;
  std::string shown, description;
  EXPECT_EQ(Run({[&](TfrmMixSettings& p) {
                   listed = p.lstNames->Items();
                   shown = p.edName->Text();
                   description = p.lbDescription->Caption();
                   EXPECT_EQ(p.lstNames->ItemIndex(), 0);
                 },
                 Cancel}),
            "");
  EXPECT_EQ(listed, (std::vector<std::string>{"A", "Live", "YZ", "Zeta"}));
  EXPECT_EQ(shown, "A");
  EXPECT_EQ(description, "Beschreibung");
}

TEST_F(PickerTest, ClickCopiesDoubleClickChoosesAndEmptyListShowsNothing) {
  Put("[Analog Outputs Live]\r\nx=1\r\n[Analog Outputs Studio]\r\nx=1\r\n");
  EXPECT_EQ(Run({[](TfrmMixSettings& p) {
              ui::user::Select(p.lstNames, 1);
              EXPECT_EQ(p.edName->Text(), "Studio");
              ui::user::Select(p.lstNames, -1);
              EXPECT_EQ(p.edName->Text(), "");
              ui::user::Select(p.lstNames, 0);
              ui::user::DblClick(p.lstNames);
            }}),
            "Live");

  Put("");
  EXPECT_EQ(Run({[](TfrmMixSettings& p) {
                   EXPECT_EQ(p.lstNames->Count(), 0);
                   EXPECT_EQ(p.edName->Text(), "");
                   ui::user::Type(p.edName, "Neu");
                 },
                 Ok}),
            "Neu");
}

TEST_F(PickerTest, DownInTheNameMovesToTheListAndDeleteInTheListErases) {
  Put("[Analog Outputs Live]\r\nx=1\r\n");
  ws.box_answers = {IDNO};
  EXPECT_EQ(Run({[](TfrmMixSettings& p) {
                   ui::user::Key(p.edName, ui::VK_DOWN);
                   EXPECT_EQ(p.ActiveControl(), p.lstNames);
                   ui::user::Key(p.lstNames, ui::VK_DELETE);
                 },
                 Cancel}),
            "");
  ASSERT_EQ(ws.boxes().size(), 1u);
  EXPECT_EQ(ws.boxes()[0].text,
            "Möchten Sie die unter \"Live\" gespeicherten Einstellungen löschen?");
  EXPECT_EQ(ws.boxes()[0].caption, "Löschen bestätigen");
  EXPECT_EQ(ws.boxes()[0].flags, 0x14u);
  EXPECT_NE(ws.boxes()[0].owner, w->Handle());               // owned by the picker
  EXPECT_EQ(Content(), "[Analog Outputs Live]\r\nx=1\r\n");  // No changes nothing
}

TEST_F(PickerTest, ErasingSelectsTheNeighbourAndTheOnlyEntryLeavesAllEmpty) {
  Put("[Analog Outputs A]\r\nx=1\r\n[Analog Outputs B]\r\nx=1\r\n[Analog Outputs C]\r\nx=1\r\n");
  ws.box_answers = {IDYES, IDYES, IDYES};
  Run({[](TfrmMixSettings& p) {
         ui::user::Select(p.lstNames, 2);
         ui::user::Click(p.btnErase);  // the last: the one before it follows
         EXPECT_EQ(p.lstNames->ItemIndex(), 1);
         EXPECT_EQ(p.edName->Text(), "B");
         ui::user::Select(p.lstNames, 0);
         ui::user::Click(p.btnErase);  // the first: the one now in its place
         EXPECT_EQ(p.lstNames->ItemIndex(), 0);
         EXPECT_EQ(p.edName->Text(), "B");
         ui::user::Click(p.btnErase);
         EXPECT_EQ(p.lstNames->Count(), 0);
         EXPECT_EQ(p.lstNames->ItemIndex(), -1);
         EXPECT_EQ(p.edName->Text(), "");
         ui::user::Click(p.btnErase);  // nothing selected: no question
       },
       Cancel});
  EXPECT_EQ(ws.boxes().size(), 3u);
  EXPECT_EQ(Content(), "");
}

constexpr const char* kCombined =
    "[Morva Live]\r\nx=1\r\n[Analog Inputs Live]\r\nx=1\r\n[Analog Input Monitors Live]\r\nx=1\r\n"
    "[Analog Outputs Live]\r\nx=1\r\n[Digital Output Live]\r\nx=1\r\n[Digital Input "
    "Live]\r\nx=1\r\n"
    "[Analog Outputs Rest]\r\nx=1\r\n";

TEST_F(PickerTest, ControlWindowErasesTheWholeCombinedPresetAMixerWindowOnlyItsOwn) {
  Put(kCombined);
  ws.box_answers = {IDYES};
  Run({[](TfrmMixSettings& p) { ui::user::Click(p.btnErase); }, Cancel});
  EXPECT_EQ(Content(),
            "[Morva Live]\r\nx=1\r\n[Analog Inputs Live]\r\nx=1\r\n"
            "[Analog Input Monitors Live]\r\nx=1\r\n[Digital Output Live]\r\nx=1\r\n"
            "[Digital Input Live]\r\nx=1\r\n[Analog Outputs Rest]\r\nx=1\r\n");

  Put(kCombined);
  w->SetCaption("Morva");
  ws.box_answers = {IDYES};
  Run({[](TfrmMixSettings& p) { ui::user::Click(p.btnErase); }, Cancel});
  EXPECT_EQ(Content(), "[Analog Outputs Rest]\r\nx=1\r\n");
}

TEST_F(PickerTest, NamesThatCannotBeSectionNamesAreRefusedAndThePickerStaysOpen) {
  std::vector<std::string> refused = {"a=b",          "[x]",   "semi;colon",
                                      "zwei\nZeilen", " vorn", "hinten "};
  std::vector<std::function<void(TfrmMixSettings&)>> actions;
  for (const std::string& name : refused) {
    actions.push_back([name](TfrmMixSettings& p) { ui::user::Type(p.edName, name); });
    actions.push_back(Ok);
  }
  actions.push_back([](TfrmMixSettings& p) {
    EXPECT_EQ(p.edName->MaxLength(), kMaxPresetNameLength);
    ui::user::Type(p.edName, std::string(300, 'n'));  // cut to the limit by the field
  });
  actions.push_back(Ok);
  EXPECT_EQ(Run(actions), std::string(kMaxPresetNameLength, 'n'));
  ASSERT_EQ(ws.boxes().size(), refused.size());
  for (const auto& box : ws.boxes()) {
    EXPECT_EQ(box.caption, "Ungültiger Name");
    EXPECT_NE(box.owner, w->Handle());
  }
  EXPECT_EQ(Content(), "");

  EXPECT_NE(TfrmMixSettings::CheckPresetName(std::string(kMaxPresetNameLength + 1, 'n')), "");
  EXPECT_EQ(TfrmMixSettings::CheckPresetName("Studio 2"), "");
  // The longest name keeps the confirmation within 255 characters, umlauts
  // counting once; the field never cuts one in half.
  std::string umlauts;
  for (int i = 0; i < 300; ++i) umlauts += "ö";
  std::string cut;
  ws.Script([&] {
    ui::user::Type(Picker()->edName, umlauts);
    cut = Picker()->edName->Text();
    Cancel(*Picker());
  });
  RunPresetPicker(*w, kSettingsFileName, "");
  EXPECT_EQ(cut.size(), 2u * kMaxPresetNameLength);
  EXPECT_EQ(TfrmMixSettings::CheckPresetName(cut), "");
  std::string text = "Möchten Sie die unter \"" + cut + "\" gespeicherten Einstellungen löschen?";
  std::size_t chars = 0;
  for (char c : text) chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  EXPECT_EQ(chars, 255u);
}

TEST_F(PickerTest, PerWindowPresetSavesEveryNamedControlWithoutGeometryAndLoadsItBack) {
  AddPresetCommands(*w);
  const auto& menu = w->SystemMenu();
  ASSERT_GE(menu.size(), 3u);
  EXPECT_TRUE(menu[menu.size() - 3].separator);
  EXPECT_EQ(menu[menu.size() - 2].caption, " Einstellungen &laden ...");
  EXPECT_EQ(menu[menu.size() - 2].id, kLoadPresetCommand);
  EXPECT_EQ(menu[menu.size() - 1].caption, " Einstellungen sp&eichern ...");
  EXPECT_EQ(menu[menu.size() - 1].id, kSavePresetCommand);

  std::string description;
  ws.Script([&] {
    description = Picker()->lbDescription->Caption();
    ui::user::Type(Picker()->edName, "Live");
    Ok(*Picker());
  });
  EXPECT_TRUE(SavePresetOfWindow(*w, kSettingsFileName));
  EXPECT_EQ(description, "Alle Einstellungen für \"Analog Outputs\" speichern unter ...");
  EXPECT_EQ(Content(), "[Analog Outputs Live]\r\nchkFader=0\r\nSlider3=500\r\n");

  Put("[Analog Outputs Live]\r\nchkFader=1\r\nSlider3=7\r\nTop=3\r\n");
  std::string flags;
  w->on_note = [&](ui::TComponent*) { flags += "click;"; };
  ws.Script([&] {
    description = Picker()->lbDescription->Caption();
    Ok(*Picker());
  });
  EXPECT_TRUE(
      LoadPresetOfWindow(*w, kSettingsFileName, [&](bool on) { flags += on ? "on;" : "off;"; }));
  EXPECT_EQ(description, "Alle Einstellungen für \"Analog Outputs\" laden aus ...");
  EXPECT_EQ(flags, "on;click;off;");
  EXPECT_EQ(static_cast<controls::TSlider*>(w->FindComponent("Slider3"))->Position(), 7);
  EXPECT_NE(w->Top(), 3);

  ws.Script([&] { Cancel(*Picker()); });
  EXPECT_FALSE(SavePresetOfWindow(*w, kSettingsFileName));
}

// The list is sorted in one go, in the order that adding the names one by
// one gives (case ignored, equal names in file order), and fast whatever
// order the file holds them in.
TEST_F(PickerTest, ListsManyPresetsInAnyOrderQuicklyAndInTheSameOrder) {
  ui::TListBox* one_by_one = ui::Create<ui::TListBox>(w);
  one_by_one->SetSorted(true);
  std::vector<std::string> names = {"b",     "B",     "a", "Zeta", "zeta",
                                    "alpha", "Alpha", "b", "_x",   "\xC3\xA4"};
  for (const std::string& n : names) one_by_one->Add(n);
  ui::TListBox* at_once = ui::Create<ui::TListBox>(w);
  at_once->SetSorted(true);
  at_once->Add("b");
  at_once->SetItemIndex(0);
  at_once->AddStrings(std::vector<std::string>(names.begin() + 1, names.end()));
  EXPECT_EQ(at_once->Items(), one_by_one->Items());
  EXPECT_EQ(at_once->ItemIndex(), 4);  // still on the first "b", after "_x", "a" and the alphas

  constexpr int kPresets = 100000;
  std::string file;
  file.reserve(kPresets * 40);
  for (int i = kPresets; i-- > 0;)
    file += "[Analog Outputs Preset " + std::to_string(i) + "]\r\nx=1\r\n";
  Put(file);
  std::size_t count = 0;
  std::string first;
  const auto t0 = std::chrono::steady_clock::now();
  Run({[&](TfrmMixSettings& p) {
         count = p.lstNames->Items().size();
         first = p.lstNames->Items().front();
         EXPECT_TRUE(std::is_sorted(p.lstNames->Items().begin(), p.lstNames->Items().end()));
       },
       Cancel});
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_EQ(count, static_cast<std::size_t>(kPresets));
  EXPECT_EQ(first, "Preset 0");
  // One insertion each took many seconds; sorting once takes a fraction of one.
  EXPECT_LT(seconds, 3.0);
}

// A name that another program wrote into the file with "=" or ";" loads,
// but cannot be saved under: the picker says so as it does for a typed name
// and stays open, and the file is left alone.
TEST_F(PickerTest, AListedNameTheFileCannotHoldLoadsButIsNotSavedUnder) {
  const std::string file = "[Analog Outputs a=b]\r\nSlider3=42\r\n[Analog Outputs x;y]\r\nx=1\r\n";
  Put(file);
  ws.Script([&] { Ok(*Picker()); });
  EXPECT_TRUE(LoadPresetOfWindow(*w, kSettingsFileName));
  EXPECT_EQ(static_cast<controls::TSlider*>(w->FindComponent("Slider3"))->Position(), 42);

  for (int item : {0, 1}) {
    ws.ClearBoxes();
    ws.Script([&] {
      ui::user::Select(Picker()->lstNames, item);
      Ok(*Picker());
    });
    ws.Script([&] { Cancel(*Picker()); });
    EXPECT_FALSE(SavePresetOfWindow(*w, kSettingsFileName));
    ASSERT_EQ(ws.boxes().size(), 1u);
    EXPECT_EQ(ws.boxes()[0].caption, "Ungültiger Name");
    EXPECT_NE(ws.boxes()[0].text.find("[ ] = ;"), std::string::npos);
    EXPECT_EQ(Content(), file);
  }
}

}  // namespace
}  // namespace settings::testing
