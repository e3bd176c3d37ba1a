// Fault trials: every file call of a save, an erase and a first open is
// failed in turn (once, and from then on), with the errors a disk gives and
// with short counts, where the folder takes new files (the rename) and
// where it does not (the rewrite in place). Each trial checks that the file
// is the old or the new one, whole, once it is opened again; that the user
// was told exactly when the disk does not hold what was asked; that the
// next operation works; and that nothing is left behind.
//   MORVA_FAULT_TRIALS=long  a larger file and every error (scripts/fault-trials.sh)
#include <errno.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>

#include "controls/Class_b.h"
#include "controls/slider.h"
#include "platform/profile_file.h"
#include "platform/windir.h"
#include "platform/winuser.h"
#include "settings/formstate.h"
#include "settings/inifile.h"
#include "settings/mixset.h"
#include "settings_fixture.h"
#include "ui/exceptions.h"
#include "ui/stdctrls.h"
#include "ui/useractions.h"

namespace settings::testing {
namespace {

using platform::FileCall;

constexpr const char* kLayout = R"(object Mixer: TTestWindow
  Caption = 'Analog Outputs'
  Width = 400
  Height = 300
  object chkFader: TCheckBox
    Tag = -1
  end
  object Slider3: TSlider
    Tag = -1
    Height = 112
    Max = 32767
    Position = 500
  end
end
)";

enum class Op { kSave, kErase, kOpen };
const char* Name(Op op) {
  return op == Op::kSave ? "save" : op == Op::kErase ? "erase" : "first open";
}

struct Fault {
  int error;  // 0: a short count
  const char* name;
};

// What the trials found: how the file was left, then the faults.
constexpr int kOldWhole = 1, kNewWhole = 2, kTorn = 3, kDamaged = 4, kSilent = 5, kFalseBox = 6,
              kLeftover = 7, kNextFailed = 8, kPickerWrong = 9, kFigures = 10;
constexpr const char* kFigureNames[kFigures] = {
    "trials", "old whole",   "new whole", "torn until reopened", "damaged",
    "silent", "false boxes", "leftovers", "next failed",         "picker wrong"};
using Figures = std::array<int, kFigures>;

// Counts the store's calls and fails the chosen one (and, persisting, every
// one after it).
struct Injector {
  int fail_at = -1;
  bool persist = false;
  Fault fault{};
  int calls = 0;
  std::vector<FileCall> seen;
  platform::FileCallOutcome operator()(FileCall call) {
    const int n = calls++;
    seen.push_back(call);
    if (fail_at < 0 || n < fail_at || (!persist && n != fail_at)) return {};
    if (fault.error != 0) return {fault.error, false};
    return {0, true};
  }
};

class FaultTrials : public SettingsTest {
 protected:
  static bool Long() {
    const char* mode = std::getenv("MORVA_FAULT_TRIALS");
    return mode && std::string(mode) == "long";
  }
  // On a memory file system where there is one: the trials flush often.
  static fs::path Folder(const std::string& prefix) {
    std::string templ = "/dev/shm/" + prefix + "_XXXXXX";
    if (::access("/dev/shm", W_OK) == 0 && ::mkdtemp(templ.data())) return templ;
    return platform::MakeTemporaryFolder(prefix);
  }
  void SetUp() override {
    SettingsTest::SetUp();
    win_ = Folder("fault_windows");
    state_ = Folder("fault_state");
    platform::SetWindowsDirectory(win_);
    platform::SetJournalDirectory(state_ / "morva");
    w_ = MakeWindow(kLayout);
    // Presets with long values: the in-place rewrite takes several pieces.
    old_ = "[Analog Outputs]\r\nchkFader=0\r\nSlider3=1111\r\n";
    for (int p = 0; p < (Long() ? 41 : 12); ++p) {
      old_ += "[Analog Outputs P" + std::to_string(p) +
              "]\r\nchkFader=1\r\nSlider3=" + std::to_string(p) + "\r\n";
      for (int k = 0; k < 30; ++k)
        old_ += "edName" + std::to_string(k) + "=" + std::string(100, 'a' + (p + k) % 26) + "\r\n";
    }
  }
  void TearDown() override {
    platform::SetFileCallHook({});
    platform::SetWindowsDirectoryFault(platform::DiskFault::kNone);
    platform::SetJournalDirectory({});
    platform::ForgetKeptProfile();
    platform::SetWindowsDirectory(dir_);
    fs::remove_all(state_);
    fs::remove_all(win_);
  }
  std::string Content() const { return testing_support::Get(win_ / kSettingsFileName); }
  controls::TSlider* Slider() {
    return dynamic_cast<controls::TSlider*>(w_->FindComponent("Slider3"));
  }

  // The old file afresh (for a first open in place: torn by a rewrite killed
  // part-way, with its journal) and the injector armed. Returns the file the
  // journal completes, else the old one.
  std::string Begin(Op op, bool in_place, const Injector& injector) {
    platform::SetFileCallHook({});
    platform::SetWindowsDirectoryFault(platform::DiskFault::kNone);
    platform::ForgetKeptProfile();
    fs::remove_all(state_);
    fs::create_directories(state_);
    for (const auto& e : fs::directory_iterator(win_)) fs::remove_all(e.path());
    testing_support::Put(win_ / kSettingsFileName, old_);
    ws.ClearBoxes();
    if (in_place) platform::SetWindowsDirectoryFault(platform::DiskFault::kNoNewFiles);
    std::string completed = old_;
    if (op == Op::kOpen && in_place) {
      platform::ProfileFile file(win_ / kSettingsFileName);
      file.Write("Analog Outputs", "Slider3", "2222");
      file.EraseSection("Analog Outputs P0");
      int pieces = 0;
      file.set_fault_hook([&](platform::CommitStep step) {
        if (step == platform::CommitStep::kCreateTemp) return platform::CommitFault::kRefuse;
        if (step == platform::CommitStep::kWriteInPlace && ++pieces == 2)
          return platform::CommitFault::kAbandon;
        return platform::CommitFault::kProceed;
      });
      EXPECT_FALSE(file.Commit());
      completed = file.document().Serialize();
    }
    injector_ = injector;
    if (op != Op::kErase) platform::SetFileCallHook(std::ref(injector_));
    return completed;
  }

  // The operation as the user starts it; true when the user was told of a
  // failure. listed: whether the picker still lists the erased preset.
  bool Run(Op op, bool& listed) {
    bool told = false;
    if (op == Op::kSave) {
      Slider()->SetPosition(2222);
      try {
        SaveWindowState(*w_, kSettingsFileName, "", kOwnSectionControls, true);
      } catch (const ui::EIniFileException&) {
        told = true;
      }
    } else if (op == Op::kOpen) {
      const std::size_t boxes = ws.boxes().size();
      Slider()->SetPosition(500);
      platform::ForgetKeptProfile();
      // A user action of its own: the failure is reported once per action.
      ws.Script([&] { LoadWindowState(*w_, kSettingsFileName, "", kOwnSectionControls, false); });
      app.HandleMessage();
      told = ws.boxes().size() > boxes;
    } else {
      ws.Script([&] {
        auto* picker = dynamic_cast<TfrmMixSettings*>(app.Forms().back());
        ui::user::Select(picker->lstNames, 0);  // "P0", first of the sorted list
        ws.box_answers.push_back(IDYES);
        platform::ForgetKeptProfile();
        platform::SetFileCallHook(std::ref(injector_));
        try {
          picker->btnEraseClick(nullptr);
        } catch (const ui::EIniFileException&) {
          told = true;
        }
        platform::SetFileCallHook({});
        const auto& items = picker->lstNames->Items();
        listed = std::find(items.begin(), items.end(), "P0") != items.end();
        ui::user::Click(picker->btnCancel);
      });
      RunPresetPicker(*w_, kSettingsFileName, "Beschreibung");
    }
    return told;
  }

  // The store's leftovers: temporary files beside the file, and journal
  // temporaries; journals too, unless a rewrite is pending.
  int Leftovers(bool pending) const {
    int n = 0;
    for (const auto& e : fs::directory_iterator(win_))
      n += e.path().filename().string().rfind(".Vozururo.ini.", 0) == 0;
    std::error_code none;  // no journal folder: nothing in it
    for (const auto& e : fs::directory_iterator(state_ / "morva", none))
      n += !pending || e.path().filename().string().front() == '.';
    return n;
  }

  // One trial: fail call fail_at of op and judge the outcome.
  void Trial(Op op, bool in_place, const std::string& expected, const Injector& injector,
             Figures& f) {
    Begin(op, in_place, injector);
    bool listed = true;
    const bool told = Run(op, listed);
    platform::SetFileCallHook({});
    const std::string raw = Content();
    Figures t{1};
    t[kTorn] = raw != old_ && raw != expected;
    // The failure path cleans up where the disk lets it: after a one-off
    // fault. A journal may stay only while a rewrite is pending: with a torn
    // file, or one the user was told about. (One that would complete a
    // failed save shows as a false box.)
    if (!injector.persist) t[kLeftover] += Leftovers(t[kTorn] || told);
    // The next open finds it whole: old or new.
    { const platform::ProfileFile reopened(win_ / kSettingsFileName); }
    const std::string now = Content();
    t[kOldWhole] = now == old_;
    t[kNewWhole] = now == expected;
    t[kDamaged] = now != old_ && now != expected;
    // What the user asked is what the disk holds (the file with its
    // journal, as the next open reads it), or the user was told.
    const bool asked = op == Op::kOpen ? Slider()->Position() == (expected == old_ ? 1111 : 2222)
                                       : now == expected;
    t[kSilent] = !told && !asked;
    t[kFalseBox] = told && asked;
    if (op == Op::kErase) t[kPickerWrong] = listed != (now == old_);
    // The same operation, with the disk well again, works and leaves nothing.
    ws.ClearBoxes();
    injector_ = Injector();
    if (op == Op::kErase && now == expected) {
      // Nothing left to erase: the file reads, without the preset.
      TIniFile ini(kSettingsFileName);
      t[kNextFailed] += !ini.Readable() || ini.profile().HasSection("Analog Outputs P0");
    } else {
      bool again = true;
      t[kNextFailed] += Run(op, again);
    }
    t[kNextFailed] += Content() != expected ||
                      (op == Op::kOpen && Slider()->Position() != 2222 && expected != old_);
    t[kLeftover] += Leftovers(false);
    for (int i = 0; i < kFigures; ++i) {
      EXPECT_TRUE(i < kDamaged || t[i] == 0) << kFigureNames[i];
      f[i] += t[i];
    }
  }

  void Measure(Op op, bool in_place) {
    std::vector<Fault> faults = {{EIO, "EIO"}, {EROFS, "EROFS"}, {0, "short"}};
    if (Long()) faults.insert(faults.end(), {{ENOSPC, "ENOSPC"}, {EDQUOT, "EDQUOT"}});
    // A clean run: the new file, and the calls it makes.
    const std::string completed = Begin(op, in_place, Injector());
    bool listed = false;
    EXPECT_FALSE(Run(op, listed)) << Name(op);
    platform::SetFileCallHook({});
    const std::vector<FileCall> calls = injector_.seen;
    const std::string expected = op == Op::kOpen ? completed : Content();
    ASSERT_FALSE(calls.empty());
    Figures f{};
    for (const Fault& fault : faults) {
      for (bool persist : {false, true}) {
        for (int n = 0; n < static_cast<int>(calls.size()); ++n) {
          // A short count only where bytes move.
          if (fault.error == 0 && calls[n] != FileCall::kRead && calls[n] != FileCall::kWrite &&
              calls[n] != FileCall::kPwrite)
            continue;
          SCOPED_TRACE(::testing::Message()
                       << Name(op) << (in_place ? " in place" : " rename") << " call " << n
                       << " (kind " << static_cast<int>(calls[n]) << ") " << fault.name
                       << (persist ? " from then on" : " once"));
          Trial(op, in_place, expected, Injector{n, persist, fault, 0, {}}, f);
        }
      }
    }
    std::printf("%-10s %-8s %3zu calls:", Name(op), in_place ? "in place" : "rename", calls.size());
    for (int i = 0; i < kFigures; ++i)
      std::printf(" %4d %s%s", f[i], kFigureNames[i], i + 1 < kFigures ? "," : "\n");
  }

  Injector injector_;
  fs::path win_;
  fs::path state_;
  TTestWindow* w_ = nullptr;
  std::string old_;
};

TEST_F(FaultTrials, EveryCallOfASaveAnEraseAndAFirstOpenFailedInTurn) {
  for (Op op : {Op::kSave, Op::kErase, Op::kOpen})
    for (bool in_place : {false, true}) Measure(op, in_place);
}

}  // namespace
}  // namespace settings::testing
