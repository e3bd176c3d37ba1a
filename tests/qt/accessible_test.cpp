// What assistive technology gets from the peers: a value set on a fader is
// the drag a user makes to that place, an action on a box or a button is the
// user's click and leaves widget and model in step, and a window's controls
// have names of their own.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QCheckBox>
#include <set>

#include "controls/audioctl32.h"
#include "qt/peer.h"
#include "qt/qtwidgetset.h"
#include "ui/application.h"
#include "ui/buttons.h"
#include "ui/form.h"
#include "ui/stdctrls.h"

namespace qt {
namespace {

class TStripForm : public ui::TForm {
 public:
  explicit TStripForm(ui::TComponent* owner) : ui::TForm(owner) {
    controls::RegisterControlClasses();
    Handler("FaderChange", &TStripForm::FaderChange);
    Handler("BoxClick", &TStripForm::BoxClick);
    Handler("MuteClick", &TStripForm::MuteClick);
    Member("Slider1", Slider1);
    Member("chkLink12", chkLink12);
    Member("chkOption", chkOption);
    Member("btnMute1", btnMute1);
  }
  const char* ClassName() const override { return "TStripForm"; }
  void FaderChange(ui::TComponent* s) {
    changes.push_back(static_cast<controls::TSlider*>(s)->Position());
  }
  void BoxClick(ui::TComponent*) { ++box_clicks; }
  void MuteClick(ui::TComponent*) { ++mute_clicks; }

  controls::TSlider* Slider1 = nullptr;
  ui::TCheckBox* chkLink12 = nullptr;
  ui::TCheckBox* chkOption = nullptr;
  ui::TSpeedButton* btnMute1 = nullptr;
  std::vector<std::int32_t> changes;
  int box_clicks = 0, mute_clicks = 0;
};

// One pair of a mixer strip: two faders with their link box (whose caption
// is only its name, too narrow to show), mutes, a meter, the channel numbers
// under them and a rule mark.
constexpr const char* kLayout = R"(object StripForm: TStripForm
  Caption = 'Streifen'
  Width = 200
  Height = 300
  object chkOption: TCheckBox
    Left = 100
    Top = 250
    Width = 90
    Height = 17
    Caption = ' &Fader'
    OnClick = BoxClick
  end
  object pnPair: TPanel
    Left = 4
    Top = 0
    Width = 60
    Height = 240
    object Slider1: TSlider
      Left = 12
      Top = 8
      Height = 112
      Max = 32767
      BtnHeight = 26
      BtnWidth = 18
      MoveRestriction = 6
      Number = 1
      LinkCheck = chkLink12
      OnChange = FaderChange
    end
    object Slider2: TSlider
      Left = 37
      Top = 8
      Height = 112
      Max = 32767
      BtnHeight = 26
      BtnWidth = 18
      MoveRestriction = 6
      Number = 2
      LinkCheck = chkLink12
    end
    object chkLink12: TCheckBox
      Left = 19
      Top = 126
      Width = 15
      Height = 17
      Caption = 'chkLink12'
      OnClick = BoxClick
    end
    object btnMute1: TSpeedButton
      Left = 3
      Top = 151
      Width = 24
      Height = 17
      GroupIndex = 1
      AllowAllUp = True
      Caption = 'M'
      OnClick = MuteClick
    end
    object btnMute2: TSpeedButton
      Left = 28
      Top = 151
      Width = 24
      Height = 17
      GroupIndex = 2
      AllowAllUp = True
      Caption = 'M'
    end
    object Meter1: TLevelMeter
      Left = 5
      Top = 175
      Width = 18
      Height = 60
    end
    object Rule: TLabel
      Left = 2
      Top = 100
      Caption = '- - - -'
    end
  end
  object Scale0: TLabel
    Left = 56
    Top = 8
    Height = 12
    Caption = '0'
  end
  object Scale20: TLabel
    Left = 56
    Top = 58
    Height = 12
    Caption = '-20'
  end
  object ScaleOff: TLabel
    Left = 56
    Top = 108
    Height = 12
    Caption = '¥'
    Font.Name = 'Symbol'
  end
  object Label1: TLabel
    Left = 17
    Top = 245
    Width = 10
    Height = 13
    Tag = 1
    Caption = '1'
  end
  object Label2: TLabel
    Left = 42
    Top = 245
    Width = 10
    Height = 13
    Tag = 2
    Caption = '2'
  end
end
)";

struct AccessibleFixture : ::testing::Test {
  QtWidgetset ws;
  ui::TApplication app{ws};
  ui::TForm* main_form = ui::Create<ui::TForm>(&app);

  TStripForm* Shown() {
    auto* f = ui::Create<TStripForm>(&app);
    f->InitializeFrom("strip.form", kLayout);
    f->Show();
    return f;
  }
  static QAccessibleInterface* Of(const ui::TControl& c) {
    return QAccessible::queryAccessibleInterface(ControlPeer::WidgetOf(c));
  }
  static void Act(const ui::TControl& c, const QString& action) {
    Of(c)->actionInterface()->doAction(action);
  }
};

}  // namespace

// A fader's value is its scale's reading in dB (0 at the top, -20 half
// way, no level at the bottom); a value set is the drag to its place.
TEST_F(AccessibleFixture, AFaderReadsDecibelsAndAValueSetIsTheDragToItsPlace) {
  TStripForm* by_value = Shown();
  TStripForm* by_drag = Shown();
  QAccessibleInterface* fader = Of(*by_value->Slider1->Thumb());
  ASSERT_NE(fader, nullptr);
  EXPECT_EQ(fader->role(), QAccessible::Slider);
  QAccessibleValueInterface* value = fader->valueInterface();
  ASSERT_NE(value, nullptr);
  EXPECT_DOUBLE_EQ(value->maximumValue().toDouble(), 0.0);
  // No level is still a number, below every reading: the scale's last
  // step of 20 dB over 50 pixels, one pixel on.
  EXPECT_DOUBLE_EQ(value->minimumValue().toDouble(), -40.0);
  EXPECT_DOUBLE_EQ(value->minimumStepSize().toDouble(), 0.1);

  value->setCurrentValue(-20.0);
  controls::user::Drag(by_drag->Slider1, 50);
  EXPECT_EQ(by_value->changes, by_drag->changes);
  EXPECT_EQ(by_value->Slider1->Offset(), 50);
  EXPECT_DOUBLE_EQ(value->currentValue().toDouble(), -20.0);
  EXPECT_EQ(fader->text(QAccessible::Value), QStringLiteral("-20.0 dB"));
  // Between two places, the nearer one.
  value->setCurrentValue(-30.1);
  EXPECT_DOUBLE_EQ(value->currentValue().toDouble(), -30.0);
  // Beyond the ends it goes to the end, as a drag past it does.
  value->setCurrentValue(99.0);
  EXPECT_EQ(by_value->Slider1->Position(), 32767);
  value->setCurrentValue(-1000.0);
  EXPECT_EQ(by_value->Slider1->Position(), 0);
  EXPECT_EQ(fader->text(QAccessible::Value), QStringLiteral("-\u221E dB"));
  // A disabled fader does not move.
  by_value->Slider1->SetEnabled(false);
  value->setCurrentValue(0.0);
  EXPECT_EQ(by_value->Slider1->Position(), 0);
}

TEST_F(AccessibleFixture, ActionsAreTheUsersClicksAndWidgetAndModelStayInStep) {
  TStripForm* f = Shown();
  auto* box = dynamic_cast<QCheckBox*>(ControlPeer::WidgetOf(*f->chkOption));
  ASSERT_NE(box, nullptr);
  QAccessibleInterface* a = Of(*f->chkOption);
  EXPECT_EQ(a->role(), QAccessible::CheckBox);
  Act(*f->chkOption, QAccessibleActionInterface::toggleAction());
  EXPECT_EQ(f->box_clicks, 1);
  EXPECT_TRUE(f->chkOption->Checked());
  EXPECT_TRUE(box->isChecked());
  EXPECT_TRUE(a->state().checked);
  // Qt's own toggle, whoever calls it, is a click on the model too.
  box->toggle();
  EXPECT_EQ(f->box_clicks, 2);
  EXPECT_FALSE(f->chkOption->Checked());
  EXPECT_FALSE(box->isChecked());

  // A speed button that stays down is a check box, toggled as the mouse
  // or Space presses it.
  QAccessibleInterface* mute = Of(*f->btnMute1);
  EXPECT_EQ(mute->role(), QAccessible::CheckBox);
  EXPECT_TRUE(mute->state().checkable);
  EXPECT_FALSE(mute->state().checked);
  Act(*f->btnMute1, QAccessibleActionInterface::toggleAction());
  EXPECT_EQ(f->mute_clicks, 1);
  EXPECT_TRUE(f->btnMute1->Down());
  EXPECT_TRUE(mute->state().checked);
  // Nothing happens to a disabled control.
  f->btnMute1->SetEnabled(false);
  Act(*f->btnMute1, QAccessibleActionInterface::toggleAction());
  EXPECT_EQ(f->mute_clicks, 1);
}

TEST_F(AccessibleFixture, ControlsAreNamedAfterWhatStandsBesideThemOncePerWindow) {
  TStripForm* f = Shown();
  std::vector<std::string> names;
  std::vector<QAccessibleInterface*> todo{Of(*f)};
  int decorations = 0;
  while (!todo.empty()) {
    QAccessibleInterface* i = todo.back();
    todo.pop_back();
    for (int k = 0; k < i->childCount(); ++k) todo.push_back(i->child(k));
    const QAccessible::Role r = i->role();
    if (r == QAccessible::Separator && i->state().invisible) ++decorations;
    if (r == QAccessible::Slider || r == QAccessible::CheckBox || r == QAccessible::Button ||
        r == QAccessible::ProgressBar)
      names.push_back(i->text(QAccessible::Name).toStdString());
  }
  EXPECT_EQ(Of(*f)->role(), QAccessible::Window);
  EXPECT_EQ(Of(*f)->text(QAccessible::Name), QStringLiteral("Streifen"));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Fader", "Fader 1", "Fader 2", "Kopplung 1/2", "M 1",
                                             "M 2", "Pegel 1"}));
  EXPECT_GE(decorations, 1);  // the rule mark says nothing, not even "separator"

  // A meter tells its level in dB and cannot be set.
  QAccessibleInterface* meter = Of(*dynamic_cast<ui::TControl*>(f->FindComponent("Meter1")));
  ASSERT_NE(meter->valueInterface(), nullptr);
  EXPECT_EQ(meter->text(QAccessible::Value), QStringLiteral("-\u221E dB"));
  dynamic_cast<controls::TLevelMeter*>(f->FindComponent("Meter1"))->SetLevel(32767);
  const QString full = meter->text(QAccessible::Value);
  EXPECT_TRUE(
      full.endsWith(QStringLiteral(" dB, Spitze ") + full.section(QStringLiteral(", Spitze "), 1)))
      << full.toStdString();
  const double level = meter->valueInterface()->currentValue().toDouble();
  EXPECT_LE(level, 0.0);
  EXPECT_GT(level, -3.0);  // the top lamp
  meter->valueInterface()->setCurrentValue(-40.0);
  EXPECT_EQ(meter->text(QAccessible::Value), full);
  // A screen reader's review reads the meter as text: its name, level and peak.
  QAccessibleTextInterface* text = meter->textInterface();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->text(0, text->characterCount()), QStringLiteral("Pegel 1 ") + full);
}

}  // namespace qt
