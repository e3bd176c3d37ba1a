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
#include <cstdio>
#include <cstdlib>

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

struct Figures {
  int trials = 0, old_whole = 0, new_whole = 0, torn = 0, damaged = 0, silent = 0, false_boxes = 0,
      leftovers = 0, next_failed = 0, picker_wrong = 0;
};

bool Long() {
  const char* mode = std::getenv("MORVA_FAULT_TRIALS");
  return mode && std::string(mode) == "long";
}

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

bool Counted(FileCall c) {
  return c == FileCall::kRead || c == FileCall::kWrite || c == FileCall::kPwrite;
}

class FaultTrials : public SettingsTest {
 protected:
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
    old_ = Base(Long() ? 41 : 12);
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

  // Presets with long values: the in-place rewrite takes several pieces.
  static std::string Base(int presets) {
    std::string out = "[Analog Outputs]\r\nchkFader=0\r\nSlider3=1111\r\n";
    for (int p = 0; p < presets; ++p) {
      out += "[Analog Outputs P" + std::to_string(p) +
             "]\r\nchkFader=1\r\nSlider3=" + std::to_string(p) + "\r\n";
      for (int k = 0; k < 30; ++k)
        out += "edName" + std::to_string(k) + "=" + std::string(100, 'a' + (p + k) % 26) + "\r\n";
    }
    return out;
  }

  void Fresh(bool in_place) {
    platform::SetFileCallHook({});
    platform::SetWindowsDirectoryFault(platform::DiskFault::kNone);
    platform::ForgetKeptProfile();
    fs::remove_all(state_);
    fs::create_directories(state_);
    for (const auto& e : fs::directory_iterator(win_)) fs::remove_all(e.path());
    testing_support::Put(win_ / kSettingsFileName, old_);
    ws.ClearBoxes();
    if (in_place) platform::SetWindowsDirectoryFault(platform::DiskFault::kNoNewFiles);
  }

  // A torn file with its journal: an in-place rewrite killed part-way.
  std::string TornWithJournal() {
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
    return file.document().Serialize();
  }

  controls::TSlider* Slider() {
    return dynamic_cast<controls::TSlider*>(w_->FindComponent("Slider3"));
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
    if (fs::exists(state_ / "morva")) {
      for (const auto& e : fs::directory_iterator(state_ / "morva")) {
        n += !pending || e.path().filename().string().front() == '.';
      }
    }
    return n;
  }

  // One trial: fail call fail_at (-1: none) of op and judge the outcome.
  void Trial(Op op, bool in_place, const std::string& expected, int fail_at, bool persist,
             Fault fault, Figures& f) {
    Fresh(in_place);
    if (op == Op::kOpen && in_place) TornWithJournal();
    injector_ = Injector();
    injector_.fail_at = fail_at;
    injector_.persist = persist;
    injector_.fault = fault;
    bool listed = true;
    if (op != Op::kErase) platform::SetFileCallHook(std::ref(injector_));
    const bool told = Run(op, listed);
    platform::SetFileCallHook({});
    const std::string raw = Content();
    const bool torn = raw != old_ && raw != expected;
    const Figures before = f;
    ++f.trials;
    f.torn += torn;
    // The failure path cleans up where the disk lets it: after a one-off
    // fault. A journal may stay only while a rewrite is pending: with a torn
    // file, or one the user was told about. (One that would complete a
    // failed save shows as a false box.)
    if (!persist) f.leftovers += Leftovers(torn || told);
    // The next open finds it whole: old or new.
    { const platform::ProfileFile reopened(win_ / kSettingsFileName); }
    const std::string now = Content();
    f.old_whole += now == old_;
    f.new_whole += now == expected;
    f.damaged += now != old_ && now != expected;
    // What the user asked is what the disk holds (the file with its
    // journal, as the next open reads it), or the user was told.
    bool asked = now == expected;
    if (op == Op::kOpen) asked = Slider()->Position() == (expected == old_ ? 1111 : 2222);
    f.silent += !told && !asked;
    f.false_boxes += told && asked;
    if (op == Op::kErase) f.picker_wrong += listed != (now == old_);
    // The same operation, with the disk well again, works and leaves nothing.
    ws.ClearBoxes();
    injector_ = Injector();
    if (op == Op::kErase && now == expected) {
      // Nothing left to erase: the file reads, without the preset.
      TIniFile ini(kSettingsFileName);
      f.next_failed += !ini.Readable() || ini.profile().HasSection("Analog Outputs P0");
    } else {
      bool again = true;
      f.next_failed += Run(op, again);
    }
    f.next_failed += Content() != expected ||
                     (op == Op::kOpen && Slider()->Position() != 2222 && expected != old_);
    f.leftovers += Leftovers(false);
    if (f.silent != before.silent || f.false_boxes != before.false_boxes ||
        f.leftovers != before.leftovers || f.next_failed != before.next_failed ||
        f.picker_wrong != before.picker_wrong || f.damaged != before.damaged)
      ADD_FAILURE() << "silent " << f.silent - before.silent << ", false box "
                    << f.false_boxes - before.false_boxes << ", left over "
                    << f.leftovers - before.leftovers << ", next failed "
                    << f.next_failed - before.next_failed << ", picker wrong "
                    << f.picker_wrong - before.picker_wrong << ", damaged "
                    << f.damaged - before.damaged;
  }

  // The new file of a clean run, and the calls it makes.
  std::string Reference(Op op, bool in_place, std::vector<FileCall>& calls) {
    Fresh(in_place);
    std::string expected = old_;
    if (op == Op::kOpen && in_place) {
      expected = TornWithJournal();
    }
    injector_ = Injector();
    bool listed = false;
    if (op != Op::kErase) platform::SetFileCallHook(std::ref(injector_));
    EXPECT_FALSE(Run(op, listed)) << Name(op);
    platform::SetFileCallHook({});
    calls = injector_.seen;
    return op == Op::kOpen ? expected : Content();
  }

  void Measure(Op op, bool in_place) {
    std::vector<Fault> faults = {{EIO, "EIO"}, {EROFS, "EROFS"}, {0, "short"}};
    if (Long()) faults.insert(faults.end(), {{ENOSPC, "ENOSPC"}, {EDQUOT, "EDQUOT"}});
    std::vector<FileCall> calls;
    const std::string expected = Reference(op, in_place, calls);
    ASSERT_FALSE(calls.empty());
    Figures f;
    for (const Fault& fault : faults) {
      for (bool persist : {false, true}) {
        for (int n = 0; n < static_cast<int>(calls.size()); ++n) {
          if (fault.error == 0 && !Counted(calls[n])) continue;
          SCOPED_TRACE(::testing::Message()
                       << Name(op) << (in_place ? " in place" : " rename") << " call " << n
                       << " (kind " << static_cast<int>(calls[n]) << ") " << fault.name
                       << (persist ? " from then on" : " once"));
          Trial(op, in_place, expected, n, persist, fault, f);
        }
      }
    }
    std::printf(
        "%-10s %-8s %3zu calls: %4d trials, %4d old whole, %4d new whole, %3d torn until "
        "reopened, %d damaged, %d silent, %d false boxes, %d leftovers, %d next failed, "
        "%d picker wrong\n",
        Name(op), in_place ? "in place" : "rename", calls.size(), f.trials, f.old_whole,
        f.new_whole, f.torn, f.damaged, f.silent, f.false_boxes, f.leftovers, f.next_failed,
        f.picker_wrong);
  }

  Injector injector_;
  fs::path win_;
  fs::path state_;
  TTestWindow* w_ = nullptr;
  std::string old_;
};

TEST_F(FaultTrials, EveryCallOfASaveFailedInTurn) {
  Measure(Op::kSave, false);
  Measure(Op::kSave, true);
}

TEST_F(FaultTrials, EveryCallOfAnEraseFailedInTurn) {
  Measure(Op::kErase, false);
  Measure(Op::kErase, true);
}

TEST_F(FaultTrials, EveryCallOfAFirstOpenFailedInTurn) {
  Measure(Op::kOpen, false);
  Measure(Op::kOpen, true);
}

}  // namespace
}  // namespace settings::testing
