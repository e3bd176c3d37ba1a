// Window state in the settings file: what is written, in which order, and
// what loading a section runs.
#include "settings/formstate.h"

#include "controls/Class_b.h"
#include "settings/inifile.h"
#include "settings_fixture.h"
#include "ui/buttons.h"
#include "ui/comctrls.h"
#include "ui/safeptr.h"
#include "ui/stdctrls.h"

namespace settings::testing {
namespace {

constexpr const char* kWindowLayout = R"(object Window: TTestWindow
  Caption = 'Analog Outputs'
  Left = 30
  Top = 40
  Width = 500
  Height = 300
  OnClose = FormClose
  object pnChecks: TPanel
    Tag = -1
    Left = 0
    Top = 0
    Width = 500
    Height = 40
    object chkPeakMeter: TExtCheckBox
      Tag = -1
      Left = 8
      Top = 5
      Checked = True
      CaptionGerman = ' Pegelanzeige'
      OnClick = Note
    end
    object chkFader: TCheckBox
      Tag = -1
      Left = 8
      Top = 20
      OnClick = Note
    end
  end
  object lbTitle: TLabel
    Tag = -1
    Caption = 'nicht gespeichert'
  end
  object edLabel: TEdit
    Tag = -1
    Text = 'Studio A'
  end
  object pcViews: TPageControl
    Tag = 4
    object tsOne: TTabSheet
    end
    object tsTwo: TTabSheet
    end
  end
  object btnMuteOut1: TSpeedButton
    Tag = 4
    GroupIndex = 1
    AllowAllUp = True
    OnClick = Note
  end
  object Slider3: TSlider
    Left = 100
    Top = 50
    Height = 112
    Max = 32767
    Position = 1000
  end
  object boxSource: TComboBox
    Tag = 5
    Items.Strings = ('Line' 'Mic')
    ItemIndex = 1
  end
  object Meter1: TLevelMeter
    Left = 200
    Top = 50
    Width = 10
    Height = 164
  end
end
)";

class FormStateTest : public SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    w = MakeWindow(kWindowLayout);
    ui::Create<ui::TCheckBox>(w)->SetTag(-1);  // unnamed: never stored
    slider = dynamic_cast<controls::TSlider*>(w->FindComponent("Slider3"));
    peak = dynamic_cast<ui::TCheckBox*>(w->FindComponent("chkPeakMeter"));
    fader = dynamic_cast<ui::TCheckBox*>(w->FindComponent("chkFader"));
    mute = dynamic_cast<ui::TSpeedButton*>(w->FindComponent("btnMuteOut1"));
    pages = dynamic_cast<ui::TPageControl*>(w->FindComponent("pcViews"));
    w->log.clear();
  }
  TTestWindow* w = nullptr;
  controls::TSlider* slider = nullptr;
  ui::TCheckBox* peak = nullptr;
  ui::TCheckBox* fader = nullptr;
  ui::TSpeedButton* mute = nullptr;
  ui::TPageControl* pages = nullptr;
};

TEST_F(FormStateTest, OwnSectionHoldsTaggedControlsThenGeometryInOrder) {
  SaveWindowState(*w, kSettingsFileName, "", kOwnSectionControls, true);
  EXPECT_EQ(Content(),
            "[Analog Outputs]\r\n"
            "pnChecks=1\r\nchkPeakMeter=1\r\nchkFader=0\r\nedLabel=Studio A\r\n"
            "Top=40\r\nLeft=30\r\nWidth=500\r\nHeight=300\r\nHints=0\r\n");
}

TEST_F(FormStateTest, PresetHoldsEveryNamedStoredKindAndNoGeometry) {
  pages->SetActivePage(pages->Pages(1));
  mute->SetDown(true);
  SaveWindowState(*w, kSettingsFileName, " Live", kAllControls, false);
  EXPECT_EQ(Content(),
            "[Analog Outputs Live]\r\n"
            "pnChecks=1\r\nchkPeakMeter=1\r\nchkFader=0\r\nedLabel=Studio A\r\n"
            "pcViews=1\r\nbtnMuteOut1=1\r\nSlider3=1000\r\nboxSource=1\r\n");
}

TEST_F(FormStateTest, MaskSelectsComponentsWhoseTagHasAllItsBits) {
  SaveWindowState(*w, kSettingsFileName, " Bits", 4, false);
  // Tags -1, 4 and 5 contain bit 4; the slider's Tag 0 does not.
  EXPECT_EQ(Content(),
            "[Analog Outputs Bits]\r\n"
            "pnChecks=1\r\nchkPeakMeter=1\r\nchkFader=0\r\nedLabel=Studio A\r\n"
            "pcViews=0\r\nbtnMuteOut1=0\r\nboxSource=1\r\n");
}

TEST_F(FormStateTest, LoadAppliesValuesRunsActionsOnlyOnChangeAndReadsNumbersLikeTheFile) {
  Put("[Analog Outputs Live]\r\n"
      "pnChecks=0\r\nchkPeakMeter=1\r\nchkFader=1\r\nedLabel=Bühne\r\npcViews=1\r\n"
      "btnMuteOut1=1\r\nSlider3=0x1F\r\nboxSource=abc\r\nTop=5\r\n");
  std::string down_at_click;
  w->on_note = [&](ui::TComponent* s) {
    if (s == mute) down_at_click = mute->Down() ? "down" : "up";
  };
  int changes = 0;
  slider->OnChange = [&](ui::TComponent*) { ++changes; };
  LoadWindowState(*w, kSettingsFileName, " Live", kAllControls, false);

  // chkPeakMeter was already checked: its action did not run.
  EXPECT_EQ(w->log, "chkFader;btnMuteOut1;");
  EXPECT_EQ(down_at_click, "down");  // the click runs after Down is set
  EXPECT_FALSE(static_cast<ui::TPanel*>(w->FindComponent("pnChecks"))->Visible());
  EXPECT_EQ(static_cast<ui::TEdit*>(w->FindComponent("edLabel"))->Text(), "Bühne");
  EXPECT_EQ(pages->ActivePage(), pages->Pages(1));
  EXPECT_EQ(slider->Position(), 31);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(static_cast<ui::TComboBox*>(w->FindComponent("boxSource"))->ItemIndex(), 1);
  EXPECT_EQ(w->Top(), 40);  // no geometry asked for
}

TEST_F(FormStateTest, MissingSectionKeepsEverythingAndGeometryLoadsInOrder) {
  LoadWindowState(*w, kSettingsFileName, "", kOwnSectionControls, true);
  EXPECT_EQ(w->log, "");
  EXPECT_TRUE(peak->Checked());
  EXPECT_EQ(w->Left(), 30);

  Put("[analog outputs]\r\nTop=$10\r\nLeft=-3\r\nWidth=640\r\nHeight=\r\nHints=1\r\n");
  LoadWindowState(*w, kSettingsFileName, "", kOwnSectionControls, true);
  EXPECT_EQ(w->Top(), 16);
  EXPECT_EQ(w->Left(), -3);
  EXPECT_EQ(w->Width(), 640);
  EXPECT_EQ(w->Height(), 300);  // an empty value reads the current one
  EXPECT_TRUE(w->ShowHint());
}

TEST_F(FormStateTest, LoadHandlesWhatEachActionPostsBeforeTheNextControl) {
  constexpr UINT kOpened = WM_USER + 7;
  std::string order;
  w->SetMessageHandler(kOpened, [&](ui::TMessage&) { order += "posted;"; });
  w->on_note = [&](ui::TComponent* s) {
    if (s == fader) app.PostMessage(w->Handle(), kOpened, 0, 0);
  };
  slider->OnChange = [&](ui::TComponent*) { order += "slider;"; };
  Put("[Analog Outputs]\r\nchkFader=1\r\nSlider3=7\r\n");
  LoadWindowState(*w, kSettingsFileName, "", kAllControls, false);
  EXPECT_EQ(order, "posted;slider;");
}

TEST_F(FormStateTest, ActionThatFreesALaterControlDoesNotDerailTheLoad) {
  // The control window's boxes destroy the windows it owns while its
  // section loads.
  w->on_note = [&](ui::TComponent* s) {
    if (s == fader) w->FindComponent("edLabel")->Free();
  };
  Put("[Analog Outputs]\r\nchkFader=1\r\nedLabel=weg\r\nSlider3=9\r\n");
  LoadWindowState(*w, kSettingsFileName, "", kAllControls, false);
  EXPECT_EQ(w->FindComponent("edLabel"), nullptr);
  EXPECT_EQ(slider->Position(), 9);
}

// A handler that the pump after a control runs frees the window itself:
// the load passes over what is gone and leaves the geometry alone.
TEST_F(FormStateTest, WindowReleasedDuringTheLoadEndsItQuietly) {
  ui::TSafePtr<TTestWindow> alive = w;
  w->on_note = [&](ui::TComponent* s) {
    if (s == fader) app.Release(w);
  };
  Put("[Analog Outputs]\r\nchkFader=1\r\nSlider3=9\r\nTop=5\r\n");
  LoadWindowState(*w, kSettingsFileName, "", kAllControls, true);
  EXPECT_EQ(alive.get(), nullptr);
}

TEST_F(FormStateTest, SliderOutOfRangeStopsTheLoadAfterWhatWasLoaded) {
  Put("[Analog Outputs]\r\nchkFader=1\r\nSlider3=40000\r\nboxSource=0\r\n");
  EXPECT_THROW(LoadWindowState(*w, kSettingsFileName, "", kAllControls, false), ui::ERangeError);
  EXPECT_TRUE(fader->Checked());
  EXPECT_EQ(slider->Position(), 1000);
  EXPECT_EQ(static_cast<ui::TComboBox*>(w->FindComponent("boxSource"))->ItemIndex(), 1);
}

TEST_F(FormStateTest, PageControlWithoutActivePageStopsTheSaveSilentlyKeepingWhatCameBefore) {
  auto* empty = ui::Create<ui::TPageControl>(w);  // after all others: no page at all
  empty->SetName("pcEmpty");
  empty->SetParent(w);
  auto* late = ui::Create<ui::TCheckBox>(w);
  late->SetName("chkLate");
  Put("[Morva]\r\nchkStayOnTop=1\r\n");
  EXPECT_THROW(SaveWindowState(*w, kSettingsFileName, " Live", kAllControls, true), ui::EAbort);
  const std::string content = Content();
  EXPECT_EQ(content.rfind("[Morva]\r\nchkStayOnTop=1\r\n[Analog Outputs Live]\r\npnChecks=1", 0),
            0u);
  EXPECT_NE(content.find("boxSource=1\r\n"), std::string::npos);
  EXPECT_EQ(content.find("chkLate"), std::string::npos);
  EXPECT_EQ(content.find("\nTop="), std::string::npos);
}

TEST_F(FormStateTest, FailedWriteReportsTheFileAndLosesNothing) {
  Put("[Analog Outputs]\r\nchkFader=1\r\n");
  std::ofstream(dir_ / "blocker") << "x";
  platform::SetWindowsDirectory(dir_ / "blocker");
  try {
    SaveWindowState(*w, kSettingsFileName, "", kOwnSectionControls, true);
    FAIL() << "no error raised";
  } catch (const ui::EIniFileException& e) {
    EXPECT_STREQ(e.what(), "nach Vozururo.ini kann nicht geschrieben werden");
  }
  platform::SetWindowsDirectory(dir_);
  EXPECT_EQ(Content(), "[Analog Outputs]\r\nchkFader=1\r\n");
}

}  // namespace
}  // namespace settings::testing
