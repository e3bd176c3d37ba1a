// morva-manager [DIR]: MORVA Manager on the simulated card, with the tray
// icon and real windows; morva-manager COMMAND ...: a command for the
// running one (morva-manager --help lists them). Without a display it draws every window it can
// open into PNG files in DIR (default ./morva-windows/) and ends. With
// MORVA_TRACE=FILE it appends the headless runner's trace lines to FILE.
#include <langinfo.h>
#include <unistd.h>
#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/cardsound.h"
#include "app/instance.h"
#include "app/remotecontrol.h"
#include "app/sessionend.h"
#include "controls/Class_b.h"
#include "mixer/mixerwindows.h"
#include "platform/platform.h"
#include "platform/profile_file.h"
#include "platform/shellapi.h"
#include "platform/simbackend.h"
#include "platform/tempfolder.h"
#include "platform/windir.h"
#include "qt/qtwidgetset.h"
#include "qt/snapshot.h"
#include "qt/timerpump.h"
#include "qt/trayicon.h"
#include "remote/channel.h"
#include "remote/commands.h"
#include "scenario/trace.h"
#include "settings/mixset.h"
#include "shell/Mixctrl.h"
#include "shell/appstate.h"
#include "shell/boxes.h"
#include "shell/tbmainf.h"
#include "sim/clock.h"
#include "sim/knobs.h"
#include "sim/system.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/useractions.h"

namespace {

bool Set(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0';
}

bool HasDisplay() {
  const char* qpa = std::getenv("QT_QPA_PLATFORM");
  if (qpa != nullptr && (std::string(qpa) == "offscreen" || std::string(qpa) == "minimal"))
    return false;
  return Set("DISPLAY") || Set("WAYLAND_DISPLAY");
}

// Where a session offers X11 beside Wayland (XWayland in every GNOME and
// KDE Wayland session), the program runs on X11: only there can it put its
// windows where they were, place new ones apart and keep them on top. A
// platform the user chose stays chosen; plain Wayland works too, without
// places.
void ChoosePlatform() {
  if (Set("QT_QPA_PLATFORM")) return;
  if (Set("DISPLAY")) qputenv("QT_QPA_PLATFORM", Set("WAYLAND_DISPLAY") ? "xcb;wayland" : "xcb");
}

// Window titles reach the window manager in the locale's encoding as well
// as in UTF-8. Without a UTF-8 locale (no LANG, or one that is not
// installed) they would go out as UTF-8 bytes called Latin-1; the program's
// own texts need nothing else of the locale.
void UseUtf8Characters() {
  if (std::setlocale(LC_ALL, "") != nullptr && std::string(nl_langinfo(CODESET)) == "UTF-8") return;
  // LC_ALL wins over every other variable, so the fallback goes there.
  qputenv("LC_ALL", "C.UTF-8");
  std::setlocale(LC_ALL, "C.UTF-8");
}

void ShowTray(qt::TrayIcon& tray, DWORD nim, const std::string& tip) {
  if (nim == NIM_ADD || nim == NIM_MODIFY)
    tray.Show(tip);
  else if (nim == NIM_DELETE)
    tray.Hide();
}

// Shows and hides the tray icon as the program asks the shell to.
class TrayObserver : public platform::Observer {
 public:
  explicit TrayObserver(qt::TrayIcon& tray) : tray_(tray) {}
  void TrayIcon(DWORD nim, const std::string& tip) override { ShowTray(tray_, nim, tip); }

 private:
  qt::TrayIcon& tray_;
};

// The same, and every event the program causes outside written as the
// headless runner traces it (MORVA_TRACE=FILE; for tests on a desktop).
class TracingTrayObserver : public scenario::Trace {
 public:
  TracingTrayObserver(qt::TrayIcon& tray, std::ostream& out) : scenario::Trace(out), tray_(tray) {}
  void TrayIcon(DWORD nim, const std::string& tip) override {
    ShowTray(tray_, nim, tip);
    scenario::Trace::TrayIcon(nim, tip);
  }

 private:
  qt::TrayIcon& tray_;
};

// The pictures mode: opens every window the program can show, draws them,
// then ends the program the way its exit command does. It runs in steps,
// each when the application next waits for input, so that the preset
// picker is drawn while it runs modally as it does for a user.
class Pictures {
 public:
  Pictures(ui::TApplication& app, shell::AppState& state, qt::QtWidgetset& ws, qt::TrayIcon& tray,
           std::filesystem::path dir)
      : app_(app), state_(state), ws_(ws), tray_(tray), dir_(std::move(dir)) {}

  void Start() {
    ws_.SetIdleAction([this] { OpenWindows(); });
    ws_.SetBoxHandler([this](QMessageBox& box, int first) {
      Save(qt::RenderDialog(box), "box-" + std::to_string(++boxes_));
      return first;
    });
  }
  int saved() const { return saved_; }
  bool ok() const { return ok_; }

 private:
  void OpenWindows() {
    shell::ShowControlWindow(state_);
    app_.ProcessMessages();
    // Weak: the pumps below may free the control window.
    ui::TSafePtr<shell::TMixControlWnd> w = state_.MixControlWnd;
    if (w && w->Enabled()) {
      ui::TCheckBox* boxes[] = {w->chkAnalogInputs, w->chkAnalogMonitors, w->chkAnalogOutputs,
                                w->chkDigitalInputs, w->chkDigitalOutputs};
      for (int s = 0; s < shell::kMixerSlots && w; ++s) {
        ui::TCheckBox* box = boxes[s];
        if (state_.MixerFactories[s] && box && !box->Checked()) ui::user::Click(box);
        app_.ProcessMessages();
      }
      ui::TCheckBox* settings = w ? w->chkSettings : nullptr;
      if (settings && !settings->Checked()) ui::user::Click(settings);
    }
    if (auto* about = dynamic_cast<ui::TForm*>(state_.AboutBox.get()); about && !about->Visible())
      about->Show();
    LetMetersRun();
    // The preset picker runs modally from the control window's menu.
    ws_.SetIdleAction([this] { DrawAll(); });
    if (w) app_.PostMessage(w->Handle(), WM_SYSCOMMAND, settings::kLoadPresetCommand, 0);
  }

  // Real time passes for a moment, so that the meters show the signal.
  void LetMetersRun() {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(600);
    while (std::chrono::steady_clock::now() < until) {
      app_.ProcessMessages();
      QCoreApplication::processEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  void DrawAll() {
    QCoreApplication::processEvents();
    for (ui::TForm* f : app_.Forms())
      if (f->Visible()) Save(qt::RenderWindow(*f), f->Name());
    if (tray_.Shown() && tray_.StandIn()) Save(qt::RenderDialog(*tray_.StandIn()), "tray");
    for (ui::TForm* f : app_.Forms())
      if (f->Modal()) f->SetModalResult(ui::mrCancel);
    ws_.SetIdleAction([this] {
      if (state_.frmMain) state_.frmMain->ExitClick(nullptr);
      state_.QuitRequested = true;
    });
  }

  void Save(const QImage& image, const std::string& name) {
    if (image.isNull()) return;
    std::filesystem::path file = dir_ / (name + ".png");
    if (!image.save(QString::fromStdString(file.string()), "PNG")) {
      std::cerr << "morva-manager: cannot write " << file.string() << "\n";
      ok_ = false;
      return;
    }
    std::cout << file.string() << "\n";
    ++saved_;
  }

  ui::TApplication& app_;
  shell::AppState& state_;
  qt::QtWidgetset& ws_;
  qt::TrayIcon& tray_;
  std::filesystem::path dir_;
  int boxes_ = 0;
  int saved_ = 0;
  bool ok_ = true;
};

// *rejoin: the audio server went away and the knob rejoin=1 asks to start
// again when it returns.
int Run(int argc, char** argv, bool pictures, const app::SingleInstance* instance, bool* rejoin) {
  std::filesystem::path dir = argc > 1 ? argv[1] : "morva-windows";
  if (pictures) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
      std::cerr << "morva-manager: cannot make " << dir.string() << ": " << ec.message() << "\n";
      return 1;
    }
  }
  // Drawing the pictures leaves the user's settings alone.
  std::optional<platform::TemporaryFolder> windir;
  if (pictures) platform::SetWindowsDirectory(windir.emplace("morva-manager").path());

  sim::Knobs knobs;
  try {
    knobs = sim::KnobsFromEnvironment();
  } catch (const std::invalid_argument& e) {
    std::cerr << "morva-manager: MORVA_SIM: " << e.what() << "\n";
    return 2;
  }
  sim::RealClock clock;
  sim::System system(clock, knobs);
  // The cards keep their mix where the driver keeps its configuration.
  if (!knobs.fresh_mixer) system.KeepMixerState(platform::WindowsDirectory());
  // With audio=jack each card is a JACK client; the absent ones are said
  // here. Their connections are remembered beside the driver's files.
  std::unique_ptr<app::CardSound> sound =
      app::CardSound::Open(system, std::cerr, platform::WindowsDirectory());
  platform::SimBackend backend(system);
  platform::Platform platform(backend);
  platform::ScopedPlatform scope(platform);
  // The multimedia timers fire from Qt's loop: their callbacks only post,
  // and no thread has to wake the program for them. The meters' 40 ms
  // ticks and 100 ms polls are handled together every tenth of a second,
  // each in its turn: one wake-up and one repaint for all that fell due,
  // and the lamps move as often as the levels are read.
  constexpr std::int64_t kTimerBatchMs = 100;
  qt::TimerPump timer_pump(
      kTimerBatchMs, [&clock] { return clock.NowMs(); },
      [&platform] { platform.timers().FireDue(); });
  platform.timers().SetPump(
      [&timer_pump](std::optional<std::int64_t> due) { timer_pump.Schedule(due); }, kTimerBatchMs);
  qt::QtWidgetset ws;
  ws.SetBatchTimerReceiver(&timer_pump);
  shell::WidgetsetBoxes boxes(ws);
  shell::AppState state;

  ui::TApplication* running = nullptr;
  qt::TrayIcon::Actions actions;
  actions.double_click = [&state, &running] {
    const NOTIFYICONDATAA& tray = state.TrayIconData;
    if (running && tray.hWnd)
      running->PostMessage(tray.hWnd, tray.uCallbackMessage, tray.uID, WM_LBUTTONDBLCLK);
  };
  actions.open_text = shell::kTrayOpenItem;
  actions.open = [&state, &running] {
    if (running && state.frmMain) running->Guard([&] { state.frmMain->OpenClick(nullptr); });
  };
  actions.exit_text = shell::kTrayExitItem;
  // "Beenden"; before the main window exists (start-up's boxes) the
  // program simply stops.
  auto exit_command = [&state, &running] {
    if (!running) return;
    if (state.frmMain)
      running->Guard([&] { state.frmMain->ExitClick(nullptr); });
    else
      running->Terminate();
  };
  actions.exit = exit_command;
  qt::TrayIcon tray(ws.Icon(), std::move(actions), !pictures);
  std::ofstream trace_file;
  std::unique_ptr<platform::Observer> observer;
  if (const char* trace = std::getenv("MORVA_TRACE"); trace && *trace && !pictures) {
    trace_file.open(trace, std::ios::app);
    if (!trace_file) {
      std::cerr << "morva-manager: MORVA_TRACE: cannot write " << trace << "\n";
      return 2;
    }
    trace_file << std::unitbuf;  // readers see each line as it happens
    observer = std::make_unique<TracingTrayObserver>(tray, trace_file);
  } else {
    observer = std::make_unique<TrayObserver>(tray);
  }
  platform.set_observer(observer.get());
  // The session ending saves what "Beenden" saves.
  app::SessionEnd::Actions session_actions;
  session_actions.exit = exit_command;
  session_actions.display_gone = [&ws, &tray, &state, &running, &system, exit_command] {
    ws.DisplayGone();
    tray.Abandon();
    exit_command();
    if (running && state.TrayIconData.hWnd) Shell_NotifyIconA(NIM_DELETE, &state.TrayIconData);
    // The process ends without unwinding: the last change of the mix goes now.
    system.FlushMixerState();
  };
  app::SessionEnd session(std::move(session_actions));

  int status = 0;
  {
    ui::TApplication app(ws);
    running = &app;
    // A card whose audio server went away is removed, as the system announces it.
    std::unique_ptr<QSocketNotifier> removals;
    if (sound && sound->removal_fd() >= 0) {
      removals = std::make_unique<QSocketNotifier>(sound->removal_fd(), QSocketNotifier::Read);
      QObject::connect(removals.get(), &QSocketNotifier::activated,
                       [&sound, &app] { sound->AnnounceRemovals(app); });
    }
    // Control from outside: a later start's request or command, D-Bus, OSC.
    std::unique_ptr<app::RemoteControl> remote;
    if (!pictures)
      remote = std::make_unique<app::RemoteControl>(state, clock, instance, sound.get(),
                                                    &timer_pump, std::cerr);
    if (auto* traced = dynamic_cast<TracingTrayObserver*>(observer.get())) app.SetObserver(traced);
    shell::ConnectMessageBoxes(app, platform, boxes);
    Pictures pics(app, state, ws, tray, dir);
    if (pictures) pics.Start();
    session.Arm(!pictures);
    std::size_t forms_seen = 0;
    ws.SetBeforeWait([&app, &session, &forms_seen, &remote, pictures] {
      if (remote) remote->BeforeWait();
      if (pictures || app.Forms().size() <= forms_seen) return;
      forms_seen = app.Forms().size();
      // What saving touches of the settings store is made now, before the
      // exit handler is registered, so that it outlives the handler.
      platform::ForgetKeptProfile();
      platform::ProfileFileReads();
      platform::JournalDirectory();
      platform::DiskFaultFor(platform::WindowsDirectory());
      platform::SetReplaceListener({});
      session.RegisterExitHandler();
    });
    mixer::RegisterMixerWindows(state);
    shell::ProgramMain(app, state);
    *rejoin = knobs.rejoin && sound && sound->ServerGone();
    ws.SetBeforeWait({});
    remote.reset();
    session.Arm(false);
    if (pictures && !pics.ok()) status = 1;
    running = nullptr;
    // The application frees the windows that are left; state's weak
    // references to them read null from then on.
  }
  platform.set_observer(nullptr);
  platform.set_message_boxes(nullptr);
  platform.timers().SetPump({});
  return status;
}

}  // namespace

// `morva-manager COMMAND ...`: the command goes to the running program,
// whose answer is printed; the exit status says how it went.
int RunCommandLine(const std::vector<std::string>& words) {
  if (std::string why = remote::CommandUsageError(words); !why.empty()) {
    std::cerr << "morva-manager: " << why << "\n";
    return static_cast<int>(remote::Status::kUsage);
  }
  const std::filesystem::path dir = app::InstanceDirectory();
  app::SingleInstance instance(dir);
  const int fd = dir.empty() ? -1 : instance.Connect();
  if (fd < 0) {
    std::cerr << "morva-manager: MORVA Manager does not run\n";
    return static_cast<int>(remote::Status::kNotRunning);
  }
  constexpr int kAnswerTimeMs = 30000;
  const remote::CommandReply reply = remote::AskRunning(fd, words, kAnswerTimeMs);
  ::close(fd);
  if (reply.status == remote::Status::kOk)
    std::cout << reply.text;
  else
    std::cerr << "morva-manager: " << reply.text
              << (reply.text.empty() || reply.text.back() != '\n' ? "\n" : "");
  return static_cast<int>(reply.status);
}

int main(int argc, char** argv) {
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::cout << remote::CommandHelp();
    return 0;
  }
  if (argc > 1 && remote::IsCommand(argv[1]))
    return RunCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  UseUtf8Characters();
  const bool pictures = !HasDisplay();
  // With a display the only arguments are Qt's own options.
  if (!pictures && argc > 1 && argv[1][0] != '-')
    return RunCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (pictures) {
    std::cerr << "morva-manager: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                 "drawing the windows into PNG files instead\n";
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  // One instance per session: a later start shows the running one's
  // control window and ends, before it touches the card or the settings.
  std::unique_ptr<app::SingleInstance> instance;
  if (!pictures) {
    const std::filesystem::path dir = app::InstanceDirectory();
    if (dir.empty()) {
      std::cerr << "morva-manager: neither $XDG_RUNTIME_DIR nor the settings folder "
                << platform::WindowsDirectory().string()
                << " is a folder of this user's own; a second start is not noticed\n";
    } else {
      instance = std::make_unique<app::SingleInstance>(dir);
      if (!instance->Acquire()) {
        if (const int fd = instance->Connect(); fd >= 0) {
          const remote::CommandReply shown = remote::AskRunning(fd, {"show"}, 5000);
          ::close(fd);
          std::cerr << "morva-manager: already running; "
                    << (shown.status == remote::Status::kOk ? "its control window is shown\n"
                                                            : shown.text + "\n");
          return 0;
        }
        std::cerr << "morva-manager: another instance holds the lock in " << dir.string()
                  << " but does not answer\n";
        return 1;
      }
    }
  }
  // The meters repaint many small lamp rectangles: sending them costs the
  // X server less than a shared-memory image that both sides must sync on.
  if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
  if (!pictures) ChoosePlatform();
  const std::vector<char*> args(argv, argv + argc + 1);  // before Qt takes its own
  int status = 0;
  bool rejoin = false;
  {
    QApplication qapp(argc, argv);
    // The tray item's name and title (StatusNotifierItem Id and Title).
    QCoreApplication::setApplicationName(QStringLiteral("MORVA Manager"));
    QGuiApplication::setDesktopFileName(QStringLiteral("morva-manager"));
    qt::ApplyClassicLook();
    try {
      status = Run(argc, argv, pictures, instance.get(), &rejoin);
    } catch (const std::exception& e) {
      std::cerr << "morva-manager: " << e.what() << "\n";
      return 1;
    }
  }
  if (!rejoin) return status;
  // The cards went with their audio server, as pulled cards go; the program
  // starts again, with their mix and connections, once it is back.
  instance.reset();
  std::cerr << "morva-manager: waiting for the audio server to come back\n";
  app::CardSound::AwaitAudioServer(std::chrono::milliseconds::max());
  ::execv("/proc/self/exe", args.data());
  std::cerr << "morva-manager: cannot start again: " << std::strerror(errno) << "\n";
  return 1;
}
