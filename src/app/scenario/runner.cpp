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
#include "ui/sysutils.h"
#include "ui/useractions.h"

namespace scenario {

namespace {

std::filesystem::path MakeTempDir() {
  std::string templ = (std::filesystem::temp_directory_path() / "morva-scenario-XXXXXX").string();
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) throw std::runtime_error("cannot make a temporary directory");
  return buf.data();
}

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

std::int64_t Number(const std::string& s) {
  auto v = ui::TryStrToInt(s);
  if (!v) {
    // 32-bit values such as 0xFFFFFFFF, and larger decimals, as unsigned.
    try {
      size_t pos = 0;
      long long r = std::stoll(s, &pos, 0);
      if (pos == s.size()) return r;
    } catch (...) {
    }
    throw ScriptError{"not a number: " + s};
  }
  // "0x" numbers are unsigned 32-bit words here.
  if (s.rfind("0x", 0) == 0 || s.rfind("0X", 0) == 0) return static_cast<std::uint32_t>(*v);
  return *v;
}

std::vector<std::string> Tokenize(const std::string& line) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      std::string tok;
      ++i;
      for (;;) {
        if (i >= line.size()) throw ScriptError{"unterminated quotes"};
        char d = line[i++];
        if (d == '"') break;
        if (d == '\\' && i < line.size()) {
          char e = line[i++];
          tok += e == 'r' ? '\r' : e == 'n' ? '\n' : e;
        } else {
          tok += d;
        }
      }
      out.push_back(tok);
    } else {
      std::string tok;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
        tok += line[i++];
      out.push_back(tok);
    }
  }
  return out;
}

Runner::Runner(std::istream& in, std::ostream& out)
    : in_(in),
      out_(out),
      trace_(out),
      windir_(MakeTempDir()),
      statedir_(MakeTempDir()),
      system_(clock_),
      backend_(system_),
      platform_(backend_),
      boxes_(ws_) {
  platform::SetWindowsDirectory(windir_);
  platform::SetJournalDirectory(statedir_ / "morva");
  system_.SetConfigDir(windir_);
  scope_ = std::make_unique<platform::ScopedPlatform>(platform_);
  platform_.set_observer(&trace_);
  ws_.SetInputSource([this] {
    auto line = NextLine();
    if (!line) {
      EndOfScript();
      return;
    }
    Execute(*line);
  });
  ws_.SetBoxAnswerer([this](const ui::HeadlessWidgetset::Box& b) { return AnswerBox(b); });
}

Runner::~Runner() {
  app_.reset();
  scope_.reset();
  platform::SetWindowsDirectory({});
  platform::SetJournalDirectory({});
  platform::SetWindowsDirectoryFault(platform::DiskFault::kNone);
  std::error_code ec;
  std::filesystem::remove_all(windir_, ec);
  std::filesystem::remove_all(statedir_, ec);
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

void Runner::NeedRunning(const std::string& cmd) {
  if (phase_ != Phase::Running)
    Fail(cmd + (phase_ == Phase::Before ? " before start" : " after the program ended"));
}

void Runner::Execute(const std::string& line) {
  auto t = Tokenize(line);
  if (t.empty()) return;
  ExecuteTokens(t);
  if (phase_ == Phase::Running && app_) app_->ProcessMessages();
  if (phase_ == Phase::Running && remote_) remote_->Tick();
}

void Runner::ExecuteTokens(const std::vector<std::string>& t) {
  const std::string& cmd = t[0];
  if (cmd == "echo") {
    std::string s;
    for (size_t i = 1; i < t.size(); ++i) s += (i > 1 ? " " : "") + t[i];
    trace_.Line(s);
  } else if (cmd == "sim") {
    Sim(t);
  } else if (cmd == "ini") {
    if (phase_ != Phase::Before) Fail("ini only before start");
    if (t.size() != 2) Fail("ini \"LINE\"");
    std::filesystem::create_directories(windir_);
    std::ofstream f(windir_ / "Vozururo.ini", std::ios::app | std::ios::binary);
    f << t[1] << "\r\n";
  } else if (cmd == "start") {
    if (phase_ != Phase::Before) Fail("start twice");
    Start();
  } else if (cmd == "dump") {
    Dump(t);
  } else if (cmd == "reply") {
    Fail("no message box is shown");
  } else if (cmd == "remote" || cmd == "subscribe") {
    NeedRunning(cmd);
    Remote(t);
  } else {
    UserAction(t);
  }
}

void Runner::Start() {
  phase_ = Phase::Running;
  app_ = std::make_unique<ui::TApplication>(ws_);
  app_->SetObserver(&trace_);
  shell::ConnectMessageBoxes(*app_, platform_, boxes_);
  shell::ProgramMain(*app_, state_);
  // The program has ended: the framework frees the windows that are left.
  app_.reset();
  phase_ = Phase::Ended;
  trace_.Line("exit");
}

void Runner::EndOfScript() {
  if (phase_ != Phase::Running || !app_) return;
  if (state_.frmMain && !state_.QuitRequested)
    app_->Guard([&] { state_.frmMain->ExitClick(nullptr); });
  state_.QuitRequested = true;
  app_->Terminate();
}

void Runner::Sim(const std::vector<std::string>& t) {
  if (t.size() < 2) Fail("sim what?");
  const std::string& what = t[1];
  auto before_start = [&] {
    if (phase_ != Phase::Before) Fail("sim " + what + " only before start");
  };
  if (what == "cards" && t.size() == 3) {
    before_start();
    int n = static_cast<int>(Number(t[2]));
    if (n < 0 || n > 8) Fail("cards 0 to 8");
    system_.SetCards(n);
  } else if (what == "states" && t.size() == 7) {
    before_start();
    std::array<std::int32_t, 5> s{};
    for (int i = 0; i < 5; ++i) s[i] = static_cast<std::int32_t>(Number(t[2 + i]));
    system_.SetStates(s);
  } else if (what == "device" && t.size() == 6) {
    before_start();
    if (t[2] != "in" && t[2] != "out") Fail("device in|out");
    system_.AddDevice(t[2] == "in" ? sim::Dir::In : sim::Dir::Out,
                      static_cast<std::uint16_t>(Number(t[3])),
                      static_cast<std::uint16_t>(Number(t[4])), t[5]);
  } else if (what == "order" && t.size() == 3) {
    before_start();
    if (t[2] == "reverse")
      system_.SetOrder(sim::DeviceOrder::Reverse);
    else
      system_.SetOrder(sim::DeviceOrder::Shuffle, static_cast<std::uint32_t>(Number(t[2])));
  } else if (what == "reconfigurable" && t.size() == 3) {
    system_.SetReconfigurable(Number(t[2]) != 0);
  } else if (what == "bridge" && t.size() == 3) {
    if (t[2] == "ok")
      system_.SetBridge(sim::BridgeMode::Ok);
    else if (t[2] == "fail")
      system_.SetBridge(sim::BridgeMode::Fail);
    else if (t[2] == "hang")
      system_.SetBridge(sim::BridgeMode::Hang);
    else
      Fail("bridge ok|fail|hang");
  } else if (what == "disk" && t.size() == 3) {
    if (t[2] == "ok")
      platform::SetWindowsDirectoryFault(platform::DiskFault::kNone);
    else if (t[2] == "readonly")
      platform::SetWindowsDirectoryFault(platform::DiskFault::kReadOnly);
    else if (t[2] == "full")
      platform::SetWindowsDirectoryFault(platform::DiskFault::kFull);
    else if (t[2] == "nonew")
      platform::SetWindowsDirectoryFault(platform::DiskFault::kNoNewFiles);
    else
      Fail("disk ok|readonly|full|nonew");
  } else if (what == "config" && t.size() == 5) {
    int card = static_cast<int>(Number(t[2])), word = static_cast<int>(Number(t[3]));
    if (card < 0 || card > 3 || word < 0 || word > 39) Fail("config CARD 0-3 WORD 0-39");
    system_.SetConfigWord(card, word, static_cast<std::int32_t>(Number(t[4])));
  } else if (what == "set" && t.size() == 6) {
    int card = static_cast<int>(Number(t[2])), pair = static_cast<int>(Number(t[3]));
    auto field = sim::PairFieldFromName(t[4]);
    if (!field) Fail("unknown field " + t[4]);
    if (card < 0 || card >= system_.cards() || pair < 0 || pair > 4) Fail("no such card or pair");
    system_.SetPairField(card, pair, *field, static_cast<std::uint32_t>(Number(t[5])));
  } else if (what == "level" && t.size() == 6) {
    if (t[2] != "in" && t[2] != "out") Fail("level in|out");
    int card = static_cast<int>(Number(t[3])), ch = static_cast<int>(Number(t[4]));
    if (card < 0 || card >= system_.cards() || ch < 0 || ch > 9) Fail("no such card or channel");
    system_.PinLevel(t[2] == "in" ? sim::Dir::In : sim::Dir::Out, card, ch,
                     static_cast<std::int32_t>(Number(t[5])));
  } else {
    Fail("unknown sim command");
  }
}

void Runner::Dump(const std::vector<std::string>& t) {
  if (t.size() < 2) Fail("dump what?");
  if (t[1] == "ini") {
    trace_.Line("--- ini");
    // Only a regular file is printed: a FIFO or a device put there in its
    // place must not block or flood the runner.
    std::istringstream f(RegularFileContent(windir_ / "Vozururo.ini"));
    std::string line;
    while (std::getline(f, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      trace_.Line(line);
    }
    trace_.Line("--- end");
  } else if (t[1] == "card" && t.size() == 3) {
    int card = static_cast<int>(Number(t[2]));
    if (card < 0 || card >= system_.cards()) Fail("no card " + t[2]);
    const sim::CardState& c = system_.Card(card);
    for (int p = 0; p < sim::kPairsPerCard; ++p) {
      const sim::PairState& s = c.pairs[p];
      trace_.Line(Cat(
          "pair ", std::to_string(p), " ingain=", Hex(s.ingain, 8), " inpair=", Hex(s.inpair, 8),
          " mongain=", Hex(s.mongain, 8), " gate=", Hex(s.gate, 8), " volume=", Hex(s.volume, 8),
          " mute=", Hex(s.mute, 8), " inmeter=", Bit(s.inmeter), " outmeter=", Bit(s.outmeter)));
    }
  } else if (t[1] == "config" && t.size() == 2) {
    auto bytes = system_.StoredConfig();
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
  } else if (t.size() == 2) {
    NeedRunning("dump " + t[1]);
    DumpForm(FindForm(t[1]));
  } else {
    Fail("dump FORM|ini|card N|config");
  }
}

void Runner::DumpForm(ui::TForm& f) {
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
    int k = static_cast<int>(Number(name.substr(1)));
    if (k < 0 || k >= f.ComponentCount()) Fail("no component " + address);
    return *f.Components(k);
  }
  ui::TComponent* c = f.FindComponent(name);
  if (!c) Fail("no component " + address);
  return *c;
}

void Runner::Advance(std::int64_t ms) {
  if (ms < 0) Fail("advance by a negative time");
  platform_.timers().AdvanceTo(clock_.NowMs() + ms, [this] { app_->ProcessMessages(); });
}

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

remote::ControlSurface& Runner::Surface() {
  if (!remote_) remote_ = std::make_unique<remote::ControlSurface>(state_, clock_);
  return *remote_;
}

void Runner::Remote(const std::vector<std::string>& t) {
  if (t[0] == "subscribe") {
    const bool meters = t.size() == 3 && t[2] == "meters";
    if (t.size() > 3 || (t.size() == 3 && !meters)) Fail("subscribe [PREFIX [meters]]");
    Surface().Subscribe(
        t.size() >= 2 ? t[1] : "",
        [this](const std::string& address, const std::string& value) {
          trace_.Line("feedback " + address + " " + value);
        },
        false, meters);
    return;
  }
  const std::vector<std::string> words(t.begin() + 1, t.end());
  const remote::CommandReply r = remote::RunCommand(Surface(), words);
  std::string text = r.text;
  if (!text.empty() && text.back() == '\n') text.pop_back();
  trace_.Line("remote " + std::to_string(static_cast<int>(r.status)) + " " + Quote(text));
}

void Runner::UserAction(const std::vector<std::string>& t) {
  const std::string& cmd = t[0];
  NeedRunning(cmd);
  auto argc = [&](size_t n, const char* usage) {
    if (t.size() != n) Fail(usage);
  };
  auto control = [&](const std::string& a) -> ui::TControl& {
    auto* c = dynamic_cast<ui::TControl*>(&FindComponent(a));
    if (!c) Fail(a + " is not a control");
    return *c;
  };
  if (cmd == "click") {
    argc(2, "click FORM.CONTROL");
    ui::user::Click(&control(t[1]));
  } else if (cmd == "dblclick") {
    argc(2, "dblclick FORM.CONTROL");
    ui::user::DblClick(&control(t[1]));
  } else if (cmd == "select") {
    argc(3, "select FORM.CONTROL INDEX");
    if (!dynamic_cast<ui::TItemsControl*>(&control(t[1]))) Fail(t[1] + " is no list");
    auto* l = dynamic_cast<ui::TItemsControl*>(&control(t[1]));
    int i = static_cast<int>(Number(t[2]));
    if (i < -1 || i >= l->Count()) Fail("no item " + t[2]);
    ui::user::Select(l, i);
  } else if (cmd == "set") {
    argc(4, "set FORM.CONTROL PROP VALUE");
    std::function<void()> act = Setter(control(t[1]), t[2], t[3]);
    if (!act) Fail(t[1] + " has no property " + t[2] + " to set");
    app_->Guard(act);
  } else if (cmd == "drag") {
    argc(3, "drag FORM.CONTROL DY");
    ui::TControl& c = control(t[1]);
    if (!dynamic_cast<controls::TSlider*>(&c)) Fail(t[1] + " is no fader");
    controls::user::Drag(&c, static_cast<int>(Number(t[2])));
  } else if (cmd == "key") {
    argc(3, "key FORM.CONTROL KEY");
    static const std::pair<const char*, WORD> kKeys[] = {{"Down", ui::VK_DOWN},
                                                         {"Delete", ui::VK_DELETE},
                                                         {"Return", ui::VK_RETURN},
                                                         {"Escape", ui::VK_ESCAPE}};
    WORD key = 0;
    for (auto& [n, k] : kKeys)
      if (t[2] == n) key = k;
    if (!key) Fail("key Down|Delete|Return|Escape");
    if (!dynamic_cast<ui::TKeyControl*>(&control(t[1]))) Fail(t[1] + " takes no keys");
    ui::user::Key(&control(t[1]), key);
  } else if (cmd == "sysmenu") {
    argc(3, "sysmenu FORM ITEM");
    ui::TForm& f = FindForm(t[1]);
    UINT id = 0;
    bool found = false;
    for (const ui::MenuItem& m : f.SystemMenu())
      if (!m.separator &&
          (m.caption == t[2] || std::to_string(m.id) == t[2] ||
           (t[2].rfind("0x", 0) == 0 && static_cast<std::int64_t>(m.id) == Number(t[2])))) {
        id = m.id;
        found = true;
        break;
      }
    if (!found) Fail("no system-menu item " + t[2] + " in " + t[1]);
    app_->PostMessage(f.Handle(), WM_SYSCOMMAND, id, 0);
  } else if (cmd == "close") {
    argc(2, "close FORM");
    ui::TForm& f = FindForm(t[1]);
    app_->Guard([&] { f.Perform(WM_SYSCOMMAND, ui::SC_CLOSE, 0); });
  } else if (cmd == "post") {
    argc(5, "post FORM MSG WPARAM LPARAM");
    ui::TForm& f = FindForm(t[1]);
    app_->PostMessage(f.Handle(), static_cast<UINT>(Number(t[2])),
                      static_cast<WPARAM>(Number(t[3])), static_cast<LPARAM>(Number(t[4])));
  } else if (cmd == "devicechange") {
    argc(4, "devicechange WPARAM DEVTYPE DEVNODE");
    DeviceChange(static_cast<WPARAM>(Number(t[1])), static_cast<DWORD>(Number(t[2])),
                 static_cast<DWORD>(Number(t[3])));
  } else if (cmd == "remove-card") {
    argc(2, "remove-card CARD");
    int card = static_cast<int>(Number(t[1]));
    if (card < 0 || card >= system_.cards()) Fail("no card " + t[1]);
    DeviceChange(shell::DBT_DEVICEQUERYREMOVE, shell::DBT_DEVTYP_DEVNODE,
                 system_.Card(card).devnode);
  } else if (cmd == "activate" || cmd == "deactivate") {
    argc(1, "activate|deactivate");
    if (cmd == "activate")
      app_->Activate();
    else
      app_->Deactivate();
  } else if (cmd == "tray" && t.size() == 3 && t[1] == "menu") {
    // The tray icon's context menu.
    if (!state_.frmMain) Fail("no tray icon");
    if (t[2] == shell::kTrayOpenItem)
      app_->Guard([&] { state_.frmMain->OpenClick(nullptr); });
    else if (t[2] == shell::kTrayExitItem)
      app_->Guard([&] { state_.frmMain->ExitClick(nullptr); });
    else
      Fail("tray menu \"" + std::string(shell::kTrayOpenItem) + "\"|\"" + shell::kTrayExitItem +
           "\"");
  } else if (cmd == "tray") {
    argc(2, "tray dblclick|MSG|menu ITEM");
    const NOTIFYICONDATAA& tray = state_.TrayIconData;
    if (!tray.hWnd) Fail("no tray icon");
    LPARAM l = t[1] == "dblclick" ? WM_LBUTTONDBLCLK : static_cast<LPARAM>(Number(t[1]));
    app_->PostMessage(tray.hWnd, tray.uCallbackMessage, tray.uID, l);
  } else if (cmd == "advance") {
    argc(2, "advance MS");
    Advance(Number(t[1]));
  } else if (cmd == "quit") {
    argc(1, "quit");
    if (state_.frmMain) state_.frmMain->ExitClick(nullptr);
  } else {
    Fail("unknown command " + cmd);
  }
}

}  // namespace scenario
