#include "scenario/runner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "controls/slider.h"
#include "platform/windir.h"
#include "platform/winuser.h"
#include "remote/commands.h"
#include "scenario/scenariotraits.h"
#include "shell/Mixctrl.h"
#include "shell/tbmainf.h"
#include "ui/form.h"
#include "ui/stdctrls.h"
#include "ui/useractions.h"

namespace scenario {

namespace {

// Appends the parts in order. GCC 12's optimiser warns (-Wrestrict) on
// long chains of "text" + std::string temporaries; appending says the same
// without them.
template <typename... Parts>
std::string Cat(const Parts&... parts) {
  std::string s;
  ((s += parts), ...);
  return s;
}

const char* Bit(bool b) {
  return b ? "1" : "0";
}

int Int(const std::string& s) {
  return static_cast<int>(Number(s));
}

// The content of path when it is a regular file (a link to one followed),
// read without a call that could block; empty otherwise.
std::string RegularFileContent(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return {};
  std::string out;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    char chunk[65536];
    for (;;) {
      const ssize_t n = ::read(fd, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      out.append(chunk, static_cast<std::size_t>(n));
    }
  }
  ::close(fd);
  return out;
}

}  // namespace

// Every command of the script. A new one is a row here and a handler.
const Runner::Command Runner::kCommands[] = {
    {"ini", 1, 1, "ini \"LINE\"", When::kBeforeStart, &Runner::Ini},
    {"sim cards", 1, 1, "sim cards N", When::kBeforeStart, &Runner::SimCards},
    {"sim states", 5, 5, "sim states S C0 C1 C2 C3", When::kBeforeStart, &Runner::SimStates},
    {"sim device", 4, 4, "sim device in|out MID PID \"NAME\"", When::kBeforeStart,
     &Runner::SimDevice},
    {"sim order", 1, 1, "sim order reverse|SEED", When::kBeforeStart, &Runner::SimOrder},

    {"start", 0, kAny, "start", When::kAnyTime, &Runner::Start},
    {"echo", 0, kAny, "echo TEXT", When::kAnyTime, &Runner::Echo},
    {"reply", 0, kAny, "reply ok|cancel|yes|no", When::kAnyTime, &Runner::Reply},
    {"sim reconfigurable", 1, 1, "sim reconfigurable 0|1", When::kAnyTime,
     &Runner::SimReconfigurable},
    {"sim bridge", 1, 1, "sim bridge ok|fail|hang", When::kAnyTime, &Runner::SimBridge},
    {"sim disk", 1, 1, "sim disk ok|readonly|full|nonew", When::kAnyTime, &Runner::SimDisk},
    {"sim config", 3, 3, "sim config CARD WORD VALUE", When::kAnyTime, &Runner::SimConfig},
    {"sim set", 4, 4, "sim set CARD PAIR FIELD VALUE", When::kAnyTime, &Runner::SimSet},
    {"sim level", 4, 4, "sim level in|out CARD CH VALUE", When::kAnyTime, &Runner::SimLevel},
    {"dump ini", 0, 0, "dump ini", When::kAnyTime, &Runner::DumpIni},
    {"dump card", 1, 1, "dump card N", When::kAnyTime, &Runner::DumpCard},
    {"dump config", 0, 0, "dump config", When::kAnyTime, &Runner::DumpConfig},
    // Forms exist only while the program runs; the form's name says which.
    {"dump", 1, 1, "dump FORM|ini|card N|config", When::kAnyTime, &Runner::DumpForm},

    {"click", 1, 1, "click FORM.CONTROL", When::kRunning, &Runner::Click},
    {"dblclick", 1, 1, "dblclick FORM.CONTROL", When::kRunning, &Runner::DblClick},
    {"select", 2, 2, "select FORM.CONTROL INDEX", When::kRunning, &Runner::Select},
    {"set", 3, 3, "set FORM.CONTROL PROP VALUE", When::kRunning, &Runner::Set},
    {"drag", 2, 2, "drag FORM.CONTROL DY", When::kRunning, &Runner::Drag},
    {"key", 2, 2, "key FORM.CONTROL KEY", When::kRunning, &Runner::Key},
    {"sysmenu", 2, 2, "sysmenu FORM ITEM", When::kRunning, &Runner::SysMenu},
    {"close", 1, 1, "close FORM", When::kRunning, &Runner::Close},
    {"post", 4, 4, "post FORM MSG WPARAM LPARAM", When::kRunning, &Runner::Post},
    {"devicechange", 3, 3, "devicechange WPARAM DEVTYPE DEVNODE", When::kRunning,
     &Runner::DeviceChangeCommand},
    {"remove-card", 1, 1, "remove-card CARD", When::kRunning, &Runner::RemoveCard},
    {"activate", 0, 0, "activate|deactivate", When::kRunning, &Runner::Activate},
    {"deactivate", 0, 0, "activate|deactivate", When::kRunning, &Runner::Deactivate},
    {"tray menu", 1, 1, "tray dblclick|MSG|menu ITEM", When::kRunning, &Runner::TrayMenu},
    {"tray", 1, 1, "tray dblclick|MSG|menu ITEM", When::kRunning, &Runner::Tray},
    {"advance", 1, 1, "advance MS", When::kRunning, &Runner::Advance},
    {"quit", 0, 0, "quit", When::kRunning, &Runner::Quit},
    {"remote", 0, kAny, "remote COMMAND ...", When::kRunning, &Runner::Remote},
    {"subscribe", 0, 2, "subscribe [PREFIX [meters]]", When::kRunning, &Runner::Subscribe},
};

const Runner::Command* Runner::FindCommand(std::string_view name) {
  for (const Command& c : kCommands)
    if (c.name == name) return &c;
  return nullptr;
}

bool Runner::IsFamily(const std::string& name) {
  for (const Command& c : kCommands)
    if (c.name.size() > name.size() && c.name.substr(0, name.size()) == name &&
        c.name[name.size()] == ' ')
      return true;
  return false;
}

Runner::Runner(std::istream& in, std::ostream& out)
    : in_(in), out_(out), trace_(out), boxes_(world_.ws) {
  world_.platform.set_observer(&trace_);
  world_.ws.SetInputSource([this] {
    auto line = NextLine();
    if (!line) {
      EndOfScript();
      return;
    }
    Execute(*line);
  });
  world_.ws.SetBoxAnswerer([this](const ui::HeadlessWidgetset::Box& b) { return AnswerBox(b); });
}

Runner::~Runner() {
  app_.reset();
}

int Runner::Run() {
  try {
    while (auto line = NextLine()) Execute(*line);
    if (phase_ == Phase::Running) EndOfScript();
  } catch (const ScriptError& e) {
    out_ << "error: line " << current_line_ << ": " << e.why << "\n";
    out_.flush();
    return 2;
  }
  out_.flush();
  return 0;
}

std::optional<std::string> Runner::NextLine() {
  for (;;) {
    if (!pending_.empty()) {
      auto [n, l] = pending_.front();
      pending_.pop_front();
      current_line_ = n;
      return l;
    }
    std::string line;
    if (eof_ || !std::getline(in_, line)) {
      eof_ = true;
      return std::nullopt;
    }
    ++line_no_;
    current_line_ = line_no_;
    if (!Tokenize(line).empty()) return line;
  }
}

int Runner::AnswerBox(const ui::HeadlessWidgetset::Box& b) {
  int first = ui::FirstButtonOf(b.flags);
  auto line = NextLine();
  if (!line) return first;
  auto t = Tokenize(*line);
  if (t[0] != "reply") {
    pending_.push_front({current_line_, *line});
    return first;
  }
  if (t.size() != 2) Fail("reply ok|cancel|yes|no");
  if (t[1] == "ok") return IDOK;
  if (t[1] == "cancel") return IDCANCEL;
  if (t[1] == "yes") return IDYES;
  if (t[1] == "no") return IDNO;
  Fail("reply ok|cancel|yes|no");
}

void Runner::Fail(const std::string& why) {
  throw ScriptError{why};
}

void Runner::NeedRunning(const std::string& what) {
  if (phase_ != Phase::Running)
    Fail(what + (phase_ == Phase::Before ? " before start" : " after the program ended"));
}

void Runner::Execute(const std::string& line) {
  auto t = Tokenize(line);
  if (t.empty()) return;
  ExecuteTokens(t);
  if (phase_ == Phase::Running && app_) app_->ProcessMessages();
  if (phase_ == Phase::Running && remote_) remote_->Tick();
}

void Runner::ExecuteTokens(const std::vector<std::string>& t) {
  std::size_t words = 2;
  const Command* c = t.size() >= 2 ? FindCommand(t[0] + " " + t[1]) : nullptr;
  if (!c) {
    words = 1;
    c = FindCommand(t[0]);
  }
  if (!c) {
    if (!IsFamily(t[0])) Fail("unknown command " + t[0]);
    Fail(t.size() == 1 ? t[0] + " what?" : "unknown " + t[0] + " command");
  }
  if (c->when == When::kBeforeStart && phase_ != Phase::Before)
    Fail(std::string(c->name) + " only before start");
  if (c->when == When::kRunning) NeedRunning(t[0]);
  const Args args(t.begin() + static_cast<std::ptrdiff_t>(words), t.end());
  if (args.size() < c->least || args.size() > c->most) Fail(std::string(c->usage));
  (this->*c->run)(args);
}

void Runner::EndOfScript() {
  if (phase_ != Phase::Running || !app_) return;
  shell::AppState& state = world_.state;
  if (state.frmMain && !state.QuitRequested)
    app_->Guard([&] { state.frmMain->ExitClick(nullptr); });
  state.QuitRequested = true;
  app_->Terminate();
}

// ---- before start

void Runner::Ini(Args a) {
  const std::filesystem::path& dir = world_.windows_folder();
  std::filesystem::create_directories(dir);
  std::ofstream f(dir / "Vozururo.ini", std::ios::app | std::ios::binary);
  f << a[0] << "\r\n";
}

void Runner::SimCards(Args a) {
  int n = Int(a[0]);
  if (n < 0 || n > 8) Fail("cards 0 to 8");
  world_.system.SetCards(n);
}

void Runner::SimStates(Args a) {
  std::array<std::int32_t, 5> s{};
  for (int i = 0; i < 5; ++i) s[i] = static_cast<std::int32_t>(Number(a[i]));
  world_.system.SetStates(s);
}

void Runner::SimDevice(Args a) {
  if (a[0] != "in" && a[0] != "out") Fail("device in|out");
  world_.system.AddDevice(a[0] == "in" ? sim::Dir::In : sim::Dir::Out,
                          static_cast<std::uint16_t>(Number(a[1])),
                          static_cast<std::uint16_t>(Number(a[2])), a[3]);
}

void Runner::SimOrder(Args a) {
  if (a[0] == "reverse")
    world_.system.SetOrder(sim::DeviceOrder::Reverse);
  else
    world_.system.SetOrder(sim::DeviceOrder::Shuffle, static_cast<std::uint32_t>(Number(a[0])));
}

// ---- any time

void Runner::Start(Args) {
  if (phase_ != Phase::Before) Fail("start twice");
  phase_ = Phase::Running;
  app_ = std::make_unique<ui::TApplication>(world_.ws);
  app_->SetObserver(&trace_);
  shell::ConnectMessageBoxes(*app_, world_.platform, boxes_);
  shell::ProgramMain(*app_, world_.state);
  // The program has ended: the framework frees the windows that are left.
  app_.reset();
  phase_ = Phase::Ended;
  trace_.Line("exit");
}

void Runner::Echo(Args a) {
  std::string s;
  for (size_t i = 0; i < a.size(); ++i) s += (i > 0 ? " " : "") + a[i];
  trace_.Line(s);
}

void Runner::Reply(Args) {
  Fail("no message box is shown");
}

void Runner::SimReconfigurable(Args a) {
  world_.system.SetReconfigurable(Number(a[0]) != 0);
}

void Runner::SimBridge(Args a) {
  if (a[0] == "ok")
    world_.system.SetBridge(sim::BridgeMode::Ok);
  else if (a[0] == "fail")
    world_.system.SetBridge(sim::BridgeMode::Fail);
  else if (a[0] == "hang")
    world_.system.SetBridge(sim::BridgeMode::Hang);
  else
    Fail("bridge ok|fail|hang");
}

void Runner::SimDisk(Args a) {
  static constexpr std::pair<std::string_view, platform::DiskFault> kFaults[] = {
      {"ok", platform::DiskFault::kNone},
      {"readonly", platform::DiskFault::kReadOnly},
      {"full", platform::DiskFault::kFull},
      {"nonew", platform::DiskFault::kNoNewFiles}};
  for (const auto& [name, fault] : kFaults)
    if (a[0] == name) return platform::SetWindowsDirectoryFault(fault);
  Fail("disk ok|readonly|full|nonew");
}

void Runner::SimConfig(Args a) {
  int card = Int(a[0]), word = Int(a[1]);
  if (card < 0 || card > 3 || word < 0 || word > 39) Fail("config CARD 0-3 WORD 0-39");
  world_.system.SetConfigWord(card, word, static_cast<std::int32_t>(Number(a[2])));
}

void Runner::SimSet(Args a) {
  int card = Int(a[0]), pair = Int(a[1]);
  auto field = sim::PairFieldFromName(a[2]);
  if (!field) Fail("unknown field " + a[2]);
  if (card < 0 || card >= world_.system.cards() || pair < 0 || pair > 4)
    Fail("no such card or pair");
  world_.system.SetPairField(card, pair, *field, static_cast<std::uint32_t>(Number(a[3])));
}

void Runner::SimLevel(Args a) {
  if (a[0] != "in" && a[0] != "out") Fail("level in|out");
  int card = Int(a[1]), ch = Int(a[2]);
  if (card < 0 || card >= world_.system.cards() || ch < 0 || ch > 9)
    Fail("no such card or channel");
  world_.system.PinLevel(a[0] == "in" ? sim::Dir::In : sim::Dir::Out, card, ch,
                         static_cast<std::int32_t>(Number(a[3])));
}

void Runner::DumpIni(Args) {
  trace_.Line("--- ini");
  // Only a regular file is printed: a FIFO or a device put there in its
  // place must not block or flood the runner.
  std::istringstream f(RegularFileContent(world_.windows_folder() / "Vozururo.ini"));
  std::string line;
  while (std::getline(f, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    trace_.Line(line);
  }
  trace_.Line("--- end");
}

void Runner::DumpCard(Args a) {
  const int card = CardIndex(a[0]);
  const sim::CardState& c = world_.system.Card(card);
  for (int p = 0; p < sim::kPairsPerCard; ++p) {
    const sim::PairState& s = c.pairs[p];
    trace_.Line(
        Cat("pair ", std::to_string(p), " ingain=", Hex(s.ingain, 8), " inpair=", Hex(s.inpair, 8),
            " mongain=", Hex(s.mongain, 8), " gate=", Hex(s.gate, 8), " volume=", Hex(s.volume, 8),
            " mute=", Hex(s.mute, 8), " inmeter=", Bit(s.inmeter), " outmeter=", Bit(s.outmeter)));
  }
}

void Runner::DumpConfig(Args) {
  auto bytes = world_.system.StoredConfig();
  for (int b = 0; b < 4; ++b) {
    std::string s = "block " + std::to_string(b);
    for (int w = 0; w < 40; ++w) {
      std::int32_t v;
      std::memcpy(&v, bytes.data() + 160 * b + 4 * w, 4);
      s += ' ';
      s += std::to_string(v);
    }
    trace_.Line(s);
  }
}

void Runner::DumpForm(Args a) {
  NeedRunning("dump " + a[0]);
  ui::TForm& f = FindForm(a[0]);
  trace_.Line("form " + f.Name() + " caption=" + Quote(f.Caption()) +
              " left=" + std::to_string(f.Left()) + " top=" + std::to_string(f.Top()) +
              " width=" + std::to_string(f.Width()) + " height=" + std::to_string(f.Height()) +
              " visible=" + Bit(f.Visible()));
  for (int k = 0; k < f.ComponentCount(); ++k) {
    ui::TComponent* c = f.Components(k);
    auto* ctl = dynamic_cast<ui::TControl*>(c);
    std::string s = std::to_string(k) + " " + (c->Name().empty() ? "-" : c->Name()) + " " +
                    c->ClassName() + " tag=" + std::to_string(c->Tag()) +
                    " vis=" + Bit(!ctl || ctl->Visible()) + " en=" + Bit(!ctl || ctl->Enabled());
    s += Describe(*c);
    trace_.Line(s);
  }
}

// ---- while the program runs

void Runner::Click(Args a) {
  ui::user::Click(&FindControl(a[0]));
}

void Runner::DblClick(Args a) {
  ui::user::DblClick(&FindControl(a[0]));
}

void Runner::Select(Args a) {
  auto* l = dynamic_cast<ui::TItemsControl*>(&FindControl(a[0]));
  if (!l) Fail(a[0] + " is no list");
  int i = Int(a[1]);
  if (i < -1 || i >= l->Count()) Fail("no item " + a[1]);
  ui::user::Select(l, i);
}

void Runner::Set(Args a) {
  std::function<void()> act = Setter(FindControl(a[0]), a[1], a[2]);
  if (!act) Fail(a[0] + " has no property " + a[1] + " to set");
  app_->Guard(act);
}

void Runner::Drag(Args a) {
  ui::TControl& c = FindControl(a[0]);
  if (!dynamic_cast<controls::TSlider*>(&c)) Fail(a[0] + " is no fader");
  controls::user::Drag(&c, Int(a[1]));
}

void Runner::Key(Args a) {
  static const std::pair<const char*, WORD> kKeys[] = {{"Down", ui::VK_DOWN},
                                                       {"Delete", ui::VK_DELETE},
                                                       {"Return", ui::VK_RETURN},
                                                       {"Escape", ui::VK_ESCAPE}};
  WORD key = 0;
  for (auto& [n, k] : kKeys)
    if (a[1] == n) key = k;
  if (!key) Fail("key Down|Delete|Return|Escape");
  ui::TControl& c = FindControl(a[0]);
  if (!dynamic_cast<ui::TKeyControl*>(&c)) Fail(a[0] + " takes no keys");
  ui::user::Key(&c, key);
}

void Runner::SysMenu(Args a) {
  ui::TForm& f = FindForm(a[0]);
  const std::string& item = a[1];
  for (const ui::MenuItem& m : f.SystemMenu())
    if (!m.separator &&
        (m.caption == item || std::to_string(m.id) == item ||
         (item.rfind("0x", 0) == 0 && static_cast<std::int64_t>(m.id) == Number(item))))
      return app_->PostMessage(f.Handle(), WM_SYSCOMMAND, m.id, 0);
  Fail("no system-menu item " + item + " in " + a[0]);
}

void Runner::Close(Args a) {
  ui::TForm& f = FindForm(a[0]);
  app_->Guard([&] { f.Perform(WM_SYSCOMMAND, ui::SC_CLOSE, 0); });
}

void Runner::Post(Args a) {
  ui::TForm& f = FindForm(a[0]);
  app_->PostMessage(f.Handle(), static_cast<UINT>(Number(a[1])), static_cast<WPARAM>(Number(a[2])),
                    static_cast<LPARAM>(Number(a[3])));
}

void Runner::DeviceChangeCommand(Args a) {
  DeviceChange(static_cast<WPARAM>(Number(a[0])), static_cast<DWORD>(Number(a[1])),
               static_cast<DWORD>(Number(a[2])));
}

void Runner::RemoveCard(Args a) {
  const int card = CardIndex(a[0]);
  DeviceChange(shell::DBT_DEVICEQUERYREMOVE, shell::DBT_DEVTYP_DEVNODE,
               world_.system.Card(card).devnode);
}

void Runner::Activate(Args) {
  app_->Activate();
}

void Runner::Deactivate(Args) {
  app_->Deactivate();
}

// The tray icon's context menu: the main window's open and exit commands.
void Runner::TrayMenu(Args a) {
  shell::AppState& state = world_.state;
  if (!state.frmMain) Fail("no tray icon");
  if (a[0] == shell::kTrayOpenItem)
    app_->Guard([&] { state.frmMain->OpenClick(nullptr); });
  else if (a[0] == shell::kTrayExitItem)
    app_->Guard([&] { state.frmMain->ExitClick(nullptr); });
  else
    Fail("tray menu \"" + std::string(shell::kTrayOpenItem) + "\"|\"" + shell::kTrayExitItem +
         "\"");
}

void Runner::Tray(Args a) {
  const NOTIFYICONDATAA& tray = world_.state.TrayIconData;
  if (!tray.hWnd) Fail("no tray icon");
  LPARAM l = a[0] == "dblclick" ? WM_LBUTTONDBLCLK : static_cast<LPARAM>(Number(a[0]));
  app_->PostMessage(tray.hWnd, tray.uCallbackMessage, tray.uID, l);
}

void Runner::Advance(Args a) {
  const std::int64_t ms = Number(a[0]);
  if (ms < 0) Fail("advance by a negative time");
  world_.Advance(ms, [this] { app_->ProcessMessages(); });
}

void Runner::Quit(Args) {
  if (world_.state.frmMain) world_.state.frmMain->ExitClick(nullptr);
}

void Runner::Remote(Args a) {
  const std::vector<std::string> words(a.begin(), a.end());
  const remote::CommandReply r = remote::RunCommand(Surface(), words);
  std::string text = r.text;
  if (!text.empty() && text.back() == '\n') text.pop_back();
  trace_.Line("remote " + std::to_string(static_cast<int>(r.status)) + " " + Quote(text));
}

void Runner::Subscribe(Args a) {
  const bool meters = a.size() == 2 && a[1] == "meters";
  if (a.size() == 2 && !meters) Fail("subscribe [PREFIX [meters]]");
  Surface().Subscribe(
      a.empty() ? "" : a[0],
      [this](const std::string& address, const std::string& value) {
        trace_.Line("feedback " + address + " " + value);
      },
      false, meters);
}

remote::ControlSurface& Runner::Surface() {
  if (!remote_) remote_ = std::make_unique<remote::ControlSurface>(world_.state, world_.clock);
  return *remote_;
}

// ---- helpers

void Runner::DeviceChange(WPARAM w, DWORD type, DWORD devnode) {
  // DEV_BROADCAST_DEVNODE: size, device type, reserved, device node.
  std::array<std::uint8_t, 16> record{};
  DWORD size = 16;
  std::memcpy(record.data(), &size, 4);
  std::memcpy(record.data() + 4, &type, 4);
  std::memcpy(record.data() + 12, &devnode, 4);
  // A broadcast reaches every top-level window that still exists when its
  // turn comes (handling it may free others).
  std::vector<HWND> windows;
  for (ui::TForm* f : app_->Forms()) windows.push_back(f->Handle());
  for (HWND h : windows)
    app_->Guard(
        [&] { app_->SendMessage(h, WM_DEVICECHANGE, w, reinterpret_cast<LPARAM>(record.data())); });
}

ui::TForm& Runner::FindForm(const std::string& name) {
  const auto& forms = app_->Forms();
  for (auto it = forms.rbegin(); it != forms.rend(); ++it)
    if ((*it)->Name() == name) return **it;
  Fail("no form " + name);
}

ui::TComponent& Runner::FindComponent(const std::string& address) {
  auto dot = address.find('.');
  if (dot == std::string::npos) Fail("FORM.CONTROL expected: " + address);
  ui::TForm& f = FindForm(address.substr(0, dot));
  std::string name = address.substr(dot + 1);
  if (!name.empty() && name[0] == '#') {
    int k = Int(name.substr(1));
    if (k < 0 || k >= f.ComponentCount()) Fail("no component " + address);
    return *f.Components(k);
  }
  ui::TComponent* c = f.FindComponent(name);
  if (!c) Fail("no component " + address);
  return *c;
}

ui::TControl& Runner::FindControl(const std::string& address) {
  auto* c = dynamic_cast<ui::TControl*>(&FindComponent(address));
  if (!c) Fail(address + " is not a control");
  return *c;
}

int Runner::CardIndex(const std::string& text) {
  const int card = Int(text);
  if (card < 0 || card >= world_.system.cards()) Fail("no card " + text);
  return card;
}

}  // namespace scenario
