// The driver configuration dialog on the simulated driver, through the real
// configuration bridge, acted on as a user would.
#include "config/frmcfg.h"

#include <gtest/gtest.h>

#include "controls/Class_b.h"
#include "driver/configrecord.h"
#include "platform/sim_fixture.h"
#include "ui/application.h"
#include "ui/comctrls.h"
#include "ui/headless.h"
#include "ui/stdctrls.h"
#include "ui/useractions.h"

namespace {

using config::TdlgConfig;
using driver::CardConfigBlock;
using driver::DriverConfigRecord;
namespace user = ui::user;

// The words the application never interprets.
bool Uninterpreted(int w) {
  return (w >= 2 && w <= 6) || (w >= 12 && w <= 15) || (w >= 17 && w <= 30) || w >= 37;
}

constexpr std::int32_t kEnabled = 1;
constexpr const char* kRestartText =
    "Sie müssen Windows neu starten, damit die Änderungen zu den verfügbaren "
    "DirectSound-Geräten übernommen werden.";
constexpr const char* kBusyText =
    "Die Einstellungen des Morva Treibers können derzeit nicht geändert werden.\r\n"
    "Beenden Sie erst alle Anwendungen, welche die Morva verwenden.";

class ConfigDialogTest : public testing_support::SimPlatformTest {
 protected:
  ConfigDialogTest() {
    system.SetCards(4);
    control_window->SetMessageHandler(config::WM_CONFIG_CLOSED,
                                      [this](ui::TMessage& m) { closed.push_back(m.LParam); });
  }

  // Reads the driver's record the way the control window does, then opens
  // the dialog of one card.
  TdlgConfig* Open(int index, int count = 4) {
    EXPECT_TRUE(record.Get(kEnabled));
    return OpenOnRecord(index, count);
  }
  TdlgConfig* OpenOnRecord(int index, int count = 4) {
    auto* dlg = ui::CreateForm<TdlgConfig>(control_window, record, index, count, kEnabled,
                                           config::ConfigDialogContext{control_window->Handle()});
    dlg->Show();
    return dlg;
  }
  CardConfigBlock Stored(int block) {
    DriverConfigRecord r;
    r.bytes = system.StoredConfig();
    return r.Block(block);
  }
  int Runs() const { return system.bridge_runs(); }
  std::vector<std::string> BoxTexts() {
    std::vector<std::string> out;
    for (const auto& b : boxes()) out.push_back(b.text);
    return out;
  }
  void OkAndProcess(TdlgConfig* dlg) {
    user::Click(dlg->btnOk);
    app.ProcessMessages();
  }

  ui::HeadlessWidgetset ws;
  ui::TApplication app{ws};
  ui::TForm* control_window = ui::Create<ui::TForm>(&app);
  DriverConfigRecord record;
  std::vector<LPARAM> closed;
};

TEST_F(ConfigDialogTest, FirstDialogIsCentredAndUnchanged) {
  TdlgConfig* dlg = Open(0);
  EXPECT_EQ(dlg->Caption(), "Morva Einstellungen Karte #1");
  EXPECT_EQ(dlg->ClientWidth(), 402);
  EXPECT_EQ(dlg->ClientHeight(), 470);
  EXPECT_EQ(dlg->Left(), (ws.ScreenWidth() - dlg->Width()) / 2);
  ASSERT_EQ(dlg->boxDevices->Count(), 6);
  EXPECT_EQ(dlg->boxDevices->Items()[0], "Kein Gerät verfügbar");
  EXPECT_TRUE(dlg->btnNext->Enabled());
  EXPECT_FALSE(dlg->btnApply->Enabled());  // filling the controls is no change
}

TEST_F(ConfigDialogTest, LastCardHasNoNextAndWritesCardSyncFalse) {
  system.SetConfigWord(1, driver::kCardSync, -1);
  system.SetConfigWord(1, driver::kPlaySync, -1);
  system.SetConfigWord(1, driver::kRecSync, -1);
  TdlgConfig* dlg = Open(1, 2);
  EXPECT_EQ(dlg->Caption(), "Morva Einstellungen Karte #2");
  EXPECT_FALSE(dlg->btnNext->Enabled());
  EXPECT_FALSE(dlg->chkCardSync->Enabled());
  EXPECT_FALSE(dlg->chkCardSync->Checked());
  EXPECT_TRUE(dlg->chkPlaySync->Enabled());
  user::Click(dlg->chkRemoveDc);
  OkAndProcess(dlg);
  EXPECT_EQ(Stored(1).Word(driver::kCardSync), 0);
  EXPECT_EQ(Stored(1).Word(driver::kRemoveDc), -1);
}

TEST_F(ConfigDialogTest, NoCardBeyondTheRecordsFourthBlock) {
  // A card table reporting more cards than the record holds: card 4 is the last.
  TdlgConfig* dlg = Open(3, 6);
  EXPECT_FALSE(dlg->btnNext->Enabled());
  EXPECT_FALSE(dlg->chkCardSync->Enabled());
}

TEST_F(ConfigDialogTest, OkWithoutChangesSendsNothingAndCloses) {
  TdlgConfig* dlg = Open(0);
  const int runs = Runs();
  OkAndProcess(dlg);
  EXPECT_EQ(Runs(), runs);
  EXPECT_FALSE(dlg->Visible());
  ASSERT_EQ(closed.size(), 1u);
  EXPECT_EQ(closed[0], static_cast<LPARAM>(HandleValue(dlg->Handle())));
  EXPECT_FALSE(dlg->OkPressed());
}

TEST_F(ConfigDialogTest, CancelDropsEditsAndStillNotifies) {
  TdlgConfig* dlg = Open(0);
  const int runs = Runs();
  user::Click(dlg->chkRemoveDc);
  user::Click(dlg->btnCancel);
  app.ProcessMessages();
  EXPECT_EQ(Runs(), runs);
  EXPECT_EQ(closed.size(), 1u);
  EXPECT_FALSE(dlg->Visible());
}

TEST_F(ConfigDialogTest, AutomaticLatencyKeepsBarAtTenUntilManual) {
  system.SetConfigWord(0, driver::kLatency, 0);
  TdlgConfig* dlg = Open(0);
  EXPECT_TRUE(dlg->btnAutoLatency->Checked());
  EXPECT_FALSE(dlg->barLatency->Enabled());
  EXPECT_FALSE(dlg->lb100ms->Enabled());
  EXPECT_EQ(dlg->barLatency->Position(), 10);
  EXPECT_EQ(dlg->lbMs->Caption(), "10");
  user::Click(dlg->btnManLatency);
  EXPECT_TRUE(dlg->barLatency->Enabled());
  EXPECT_TRUE(dlg->lbMsLabel->Enabled());
  user::Click(dlg->btnApply);
  EXPECT_EQ(Stored(0).Latency(), 10);
  EXPECT_FALSE(dlg->btnApply->Enabled());
  user::Click(dlg->btnAutoLatency);
  user::Click(dlg->btnApply);
  EXPECT_EQ(Stored(0).Latency(), 0);
}

TEST_F(ConfigDialogTest, ManualLatencyIsClampedToTheBar) {
  system.SetConfigWord(0, driver::kLatency, 37);
  system.SetConfigWord(1, driver::kLatency, 500);
  TdlgConfig* dlg = Open(0);
  EXPECT_TRUE(dlg->btnManLatency->Checked());
  EXPECT_EQ(dlg->lbMs->Caption(), "37");
  dlg->barLatency->SetPosition(55);
  EXPECT_EQ(dlg->lbMs->Caption(), "55");
  EXPECT_EQ(dlg->WorkingCopy().Latency(), 55);
  TdlgConfig* second = OpenOnRecord(1);
  EXPECT_EQ(second->barLatency->Position(), 100);
  EXPECT_EQ(second->WorkingCopy().Latency(), 100);
}

TEST_F(ConfigDialogTest, RestrictedFormatTickedAndUnticked) {
  system.SetConfigWord(0, driver::kRestrictedRate, 0);
  system.SetConfigWord(0, driver::kRestrictedRes, 0);
  system.SetConfigWord(1, driver::kRestrictedRate, 48000);
  system.SetConfigWord(1, driver::kRestrictedRes, 1);
  TdlgConfig* dlg = Open(0);
  EXPECT_FALSE(dlg->boxRestrictedRate->Enabled());
  EXPECT_FALSE(dlg->lbstereo->Enabled());
  EXPECT_EQ(dlg->boxRestrictedRate->ItemIndex(), 1);
  EXPECT_EQ(dlg->boxRestrictedRes->ItemIndex(), 1);
  user::Click(dlg->chkRestricted);
  EXPECT_EQ(dlg->WorkingCopy().RestrictedRate(), 44100);
  EXPECT_EQ(dlg->WorkingCopy().RestrictedRes(), 2);
  user::Select(dlg->boxRestrictedRate, 0);
  user::Select(dlg->boxRestrictedRes, 0);
  user::Click(dlg->btnApply);
  EXPECT_EQ(Stored(0).RestrictedRate(), 22050);
  EXPECT_EQ(Stored(0).RestrictedRes(), 1);

  TdlgConfig* second = OpenOnRecord(1);
  EXPECT_TRUE(second->chkRestricted->Checked());
  EXPECT_EQ(second->boxRestrictedRate->ItemIndex(), 2);
  EXPECT_EQ(second->boxRestrictedRes->ItemIndex(), 0);
  user::Click(second->chkRestricted);
  EXPECT_FALSE(second->boxRestrictedRes->Enabled());
  user::Click(second->btnApply);
  EXPECT_EQ(Stored(1).RestrictedRate(), 0);
  EXPECT_EQ(Stored(1).RestrictedRes(), 0);
}

TEST_F(ConfigDialogTest, UnknownFormatValuesAreKept) {
  system.SetConfigWord(0, driver::kRestrictedRate, 32000);
  system.SetConfigWord(0, driver::kRestrictedRes, 7);
  TdlgConfig* dlg = Open(0);
  EXPECT_TRUE(dlg->chkRestricted->Checked());
  EXPECT_EQ(dlg->boxRestrictedRate->ItemIndex(), -1);
  EXPECT_EQ(dlg->WorkingCopy().RestrictedRate(), 32000);
  EXPECT_EQ(dlg->WorkingCopy().RestrictedRes(), 7);
}

TEST_F(ConfigDialogTest, NoDeviceWritesMinusOneAndAsksForRestart) {
  system.SetConfigWord(0, driver::kRestrictedDev, -1);
  system.SetConfigWord(0, driver::kRestrictedDevice, 2);
  TdlgConfig* dlg = Open(0);
  EXPECT_TRUE(dlg->boxDevices->Enabled());
  EXPECT_EQ(dlg->boxDevices->ItemIndex(), 3);
  user::Select(dlg->boxDevices, 0);
  EXPECT_EQ(dlg->WorkingCopy().RestrictedDevice(), -1);
  user::Click(dlg->btnApply);
  EXPECT_EQ(Stored(0).RestrictedDevice(), -1);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, kRestartText);
  EXPECT_EQ(boxes()[0].caption, "Morva Info");
  EXPECT_EQ(boxes()[0].flags, 0x40u);
}

TEST_F(ConfigDialogTest, RestartInformationOnlyForDeviceRestriction) {
  // 5 and -1 are both true: no restart for the normalised truth value.
  system.SetConfigWord(0, driver::kRestrictedDev, 5);
  system.SetConfigWord(0, driver::kRestrictedDevice, 0);
  TdlgConfig* dlg = Open(0);
  user::Click(dlg->chkRemoveDc);
  user::Click(dlg->btnApply);
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(Stored(0).Word(driver::kRestrictedDev), -1);

  // Lifting the restriction is a change of truth.
  user::Click(dlg->chkRestrictedDev);
  user::Click(dlg->btnApply);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{kRestartText});
  EXPECT_EQ(Stored(0).Word(driver::kRestrictedDev), 0);

  // Another device while the restriction stays off.
  platform.recording_boxes().shown.clear();
  user::Click(dlg->chkRestrictedDev);
  user::Select(dlg->boxDevices, 5);
  user::Click(dlg->chkRestrictedDev);
  EXPECT_FALSE(dlg->boxDevices->Enabled());
  user::Click(dlg->btnApply);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{kRestartText});
  EXPECT_EQ(Stored(0).RestrictedDevice(), 4);
  EXPECT_EQ(Stored(0).Word(driver::kRestrictedDev), 0);
}

TEST_F(ConfigDialogTest, CardSyncTicksAndLocksPlayAndRecord) {
  system.SetConfigWord(0, driver::kCardSync, 0);
  system.SetConfigWord(0, driver::kPlaySync, -1);
  system.SetConfigWord(0, driver::kRecSync, 0);
  TdlgConfig* dlg = Open(0);
  ASSERT_TRUE(dlg->chkCardSync->Enabled());
  EXPECT_FALSE(dlg->chkGroupSync->Enabled());  // record sync is off
  user::Click(dlg->chkCardSync);
  EXPECT_TRUE(dlg->chkPlaySync->Checked());
  EXPECT_TRUE(dlg->chkRecSync->Checked());
  EXPECT_FALSE(dlg->chkPlaySync->Enabled());
  EXPECT_FALSE(dlg->chkRecSync->Enabled());
  EXPECT_TRUE(dlg->chkGroupSync->Enabled());
  user::Click(dlg->chkCardSync);
  EXPECT_TRUE(dlg->chkPlaySync->Enabled());
  EXPECT_TRUE(dlg->chkRecSync->Checked());
  EXPECT_TRUE(dlg->chkPlaySync->Checked());
  EXPECT_FALSE(dlg->WorkingCopy().CardSync());
  EXPECT_TRUE(dlg->WorkingCopy().RecSync());
}

TEST_F(ConfigDialogTest, RecordSyncGatesGroupAndCardSync) {
  for (int w : {driver::kCardSync, driver::kPlaySync, driver::kRecSync, driver::kGroupSync})
    system.SetConfigWord(0, w, -1);
  TdlgConfig* dlg = Open(0);
  EXPECT_TRUE(dlg->chkCardSync->Checked());
  user::Click(dlg->chkCardSync);
  user::Click(dlg->chkRecSync);
  EXPECT_FALSE(dlg->chkGroupSync->Checked());
  EXPECT_FALSE(dlg->chkGroupSync->Enabled());
  EXPECT_FALSE(dlg->chkCardSync->Checked());
  EXPECT_FALSE(dlg->chkCardSync->Enabled());
  EXPECT_FALSE(dlg->WorkingCopy().GroupSync());
  user::Click(dlg->chkRecSync);
  EXPECT_TRUE(dlg->chkGroupSync->Enabled());
  EXPECT_TRUE(dlg->chkCardSync->Enabled());

  user::Click(dlg->chkPlaySync);
  user::Click(dlg->chkRecSync);
  user::Click(dlg->chkRecSync);  // play is unticked: group stays locked
  EXPECT_FALSE(dlg->chkGroupSync->Enabled());
}

TEST_F(ConfigDialogTest, MessageBoxesAreInvertedAndTruthIsMinusOne) {
  system.SetConfigWord(0, driver::kMsgRate, 0);
  system.SetConfigWord(0, driver::kMsgDevConflict, 9);
  system.SetConfigWord(0, driver::kRemoveDc, 7);
  TdlgConfig* dlg = Open(0);
  EXPECT_TRUE(dlg->chkNoMsgRate->Checked());
  EXPECT_FALSE(dlg->chkNoMsgDevConflict->Checked());
  user::Click(dlg->chkNoMsgRate);
  user::Click(dlg->chkNoMsgDevConflict);
  user::Click(dlg->chkWriteIsPlayCursor);
  user::Click(dlg->btnApply);
  CardConfigBlock b = Stored(0);
  EXPECT_EQ(b.Word(driver::kMsgRate), -1);
  EXPECT_EQ(b.Word(driver::kMsgDevConflict), 0);
  EXPECT_EQ(b.Word(driver::kRemoveDc), -1);
}

TEST_F(ConfigDialogTest, BusyDriverKeepsTheDialogOpen) {
  TdlgConfig* dlg = Open(0);
  const CardConfigBlock before = Stored(0);
  user::Click(dlg->chkRemoveDc);
  system.SetReconfigurable(false);
  OkAndProcess(dlg);
  EXPECT_TRUE(dlg->Visible());
  EXPECT_TRUE(closed.empty());
  EXPECT_TRUE(dlg->btnApply->Enabled());
  EXPECT_EQ(Stored(0), before);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, kBusyText);
  EXPECT_EQ(boxes()[0].caption, "Fehler");
  EXPECT_EQ(boxes()[0].flags, 0x10u);

  system.SetReconfigurable(true);
  OkAndProcess(dlg);
  EXPECT_FALSE(dlg->Visible());
  EXPECT_EQ(closed.size(), 1u);
  EXPECT_NE(Stored(0), before);
}

TEST_F(ConfigDialogTest, FailedWriteFollowsTheRestartInformationWithTheError) {
  TdlgConfig* dlg = Open(0);
  const CardConfigBlock before = Stored(0);
  user::Click(dlg->chkRestrictedDev);
  // Room for the "reconfigurable" word but not for the whole record.
  system.SetArenaLimit(64);
  user::Click(dlg->btnApply);
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{kRestartText, kBusyText}));
  EXPECT_TRUE(dlg->btnApply->Enabled());
  EXPECT_EQ(Stored(0), before);

  system.SetArenaLimit(SIZE_MAX);
  system.SetBridge(sim::BridgeMode::Fail);
  platform.recording_boxes().shown.clear();
  user::Click(dlg->btnApply);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{kBusyText});
}

TEST_F(ConfigDialogTest, UninterpretedWordsSurviveAnApply) {
  for (int block = 0; block < 4; ++block) {
    for (int w = 0; w < 40; ++w) {
      if (Uninterpreted(w)) system.SetConfigWord(block, w, 0x1000 * block + w);
    }
  }
  system.SetConfigWord(0, driver::kDeviceRemoval, 0x55);
  TdlgConfig* dlg = Open(0);
  user::Click(dlg->chkRemoveDc);
  user::Click(dlg->btnApply);
  for (int block = 0; block < 4; ++block) {
    for (int w = 0; w < 40; ++w) {
      if (Uninterpreted(w)) {
        EXPECT_EQ(Stored(block).Word(w), 0x1000 * block + w) << block << ":" << w;
      }
    }
  }
  EXPECT_EQ(Stored(0).DeviceRemoval(), 0x55);
}

TEST_F(ConfigDialogTest, CardOneWritesItsBlockAndTheBufferAsItIs) {
  TdlgConfig* first = Open(0);
  user::Click(first->chkRemoveDc);  // an edit never applied
  const bool first_edit = first->WorkingCopy().RemoveDc();
  record.SetWord(2, driver::kLatency, 77);  // only in the shared buffer
  TdlgConfig* second = OpenOnRecord(1);
  user::Click(second->chkWriteIsPlayCursor);
  const CardConfigBlock applied = second->WorkingCopy();
  user::Click(second->btnApply);
  EXPECT_EQ(Stored(1), applied);
  EXPECT_EQ(Stored(0), record.Block(0));
  EXPECT_NE(Stored(0).RemoveDc(), first_edit);
  EXPECT_EQ(Stored(2).Latency(), 77);
  EXPECT_EQ(Stored(3), record.Block(3));
}

TEST_F(ConfigDialogTest, NextOpensTheFollowingCardModallyAndFreesIt) {
  TdlgConfig* dlg = Open(0);
  user::Click(dlg->chkRemoveDc);
  user::Click(dlg->btnApply);
  const CardConfigBlock applied = dlg->WorkingCopy();
  TdlgConfig* next = nullptr;
  ws.Script([&] {
    for (ui::TComponent* c : dlg->ComponentList()) {
      if (auto* d = dynamic_cast<TdlgConfig*>(c)) next = d;
    }
    ASSERT_NE(next, nullptr);
    EXPECT_TRUE(next->Modal());
    EXPECT_EQ(next->CardIndex(), 1);
    EXPECT_EQ(next->Caption(), "Morva Einstellungen Karte #2");
    EXPECT_EQ(next->Left(), dlg->Left() + 24);
    EXPECT_EQ(next->Top(), dlg->Top() + 24);
    user::Click(next->chkRemoveDc);
    user::Click(next->btnOk);
  });
  user::Click(dlg->btnNext);
  EXPECT_NE(next, nullptr);
  for (ui::TComponent* c : dlg->ComponentList()) EXPECT_EQ(dynamic_cast<TdlgConfig*>(c), nullptr);
  EXPECT_TRUE(dlg->Visible());
  EXPECT_EQ(Stored(0), applied);  // the next card's apply carries the earlier one
  EXPECT_EQ(Stored(1), record.Block(1));
}

TEST_F(ConfigDialogTest, InfoShowsTheAboutBoxModally) {
  auto* about = ui::Create<ui::TForm>(&app);
  EXPECT_TRUE(record.Get(kEnabled));
  auto* dlg = ui::CreateForm<TdlgConfig>(control_window, record, 0, 4, kEnabled,
                                         config::ConfigDialogContext{nullptr, about});
  dlg->Show();
  bool was_modal = false;
  ws.Script([&] {
    was_modal = about->Modal();
    about->SetModalResult(ui::mrOk);
  });
  user::Click(dlg->btnInfo);
  EXPECT_TRUE(was_modal);
  EXPECT_FALSE(about->Visible());
}

}  // namespace
