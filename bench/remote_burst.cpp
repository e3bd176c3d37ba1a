// A burst of control changes from outside: eight faders of the analog
// inputs window swept by a controller, RATE changes a second for SECONDS,
// sent as OSC datagrams over the loopback from another process, with a
// subscriber taking the feedback. The program (the headless windows on the
// real clock, all five mixer windows open, four cards) reads them as its
// event loop does; for every change that moves a fader, the time from the
// datagram's sending to the driver message is measured, and the program's
// CPU over the burst. Beside it, the same changes as the user's own drags
// (no OSC), the cost of the model alone. At the end every fader must show
// the last value sent to it.
//   morva-remote-burst [SECONDS] [RATE]
#include <arpa/inet.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/headless_program.h"
#include "controls/Class_b.h"
#include "controls/slider.h"
#include "remote/controlvalue.h"
#include "remote/osc.h"
#include "remote/requests.h"
#include "remote/strips.h"
#include "remote/surface.h"
#include "shell/Mixctrl.h"
#include "ui/useractions.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFaders = 8;

double NowUs() {
  return std::chrono::duration<double, std::micro>(Clock::now().time_since_epoch()).count();
}

// Fader f's value at step i: each sweeps 0 to 22.5 dB and back, apart.
double ValueAt(int f, long i) {
  const double phase = std::fmod(i / 400.0 + f / 8.0, 1.0);
  return std::round(225.0 * (phase < 0.5 ? 2 * phase : 2 - 2 * phase)) / 10.0;
}

std::string AddressOf(int f) {
  return "/card/1/inputs/" + std::to_string(f + 1) + "/fader";
}

// The sender: a controller in a process of its own, its send times written
// back through a pipe once the burst is over.
pid_t StartSender(int port, int seconds, int rate, int times_fd) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<std::uint16_t>(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const long total = static_cast<long>(seconds) * rate;
  std::vector<double> sent(static_cast<std::size_t>(total));
  const auto start = Clock::now();
  for (long i = 0; i < total; ++i) {
    std::this_thread::sleep_until(start + std::chrono::microseconds(i * 1000000L / rate));
    const int f = static_cast<int>(i % kFaders);
    const std::string packet =
        remote::EncodeOsc(AddressOf(f), {{'f', ValueAt(f, i / kFaders), {}}});
    sent[static_cast<std::size_t>(i)] = NowUs();
    ::sendto(fd, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  }
  const auto* bytes = reinterpret_cast<const char*>(sent.data());
  std::size_t left = sent.size() * sizeof(double);
  while (left > 0) {
    const ssize_t n = ::write(times_fd, bytes, left);
    if (n <= 0) break;
    bytes += n;
    left -= static_cast<std::size_t>(n);
  }
  std::_Exit(0);
}

// The time each driver message of a fader went out, by the datagram it
// followed.
class DriverTimes : public platform::Observer {
 public:
  void WaveMessage(platform::WaveDir, std::uintptr_t, UINT msg, DWORD_PTR, DWORD_PTR) override {
    if (msg == 0x4033 && datagram >= 0 && !stamped) {
      at.push_back({datagram, NowUs()});
      stamped = true;
    }
  }
  long datagram = -1;
  bool stamped = false;
  std::vector<std::pair<long, double>> at;
};

double CpuSeconds() {
  rusage r{};
  ::getrusage(RUSAGE_SELF, &r);
  return r.ru_utime.tv_sec + r.ru_stime.tv_sec + (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

struct Program {
  explicit Program(const std::filesystem::path& dir) : program(dir, 4) {
    program.MakeWindows();
    shell::TMixControlWnd& control = *program.state.MixControlWnd;
    control.Show();
    for (auto* box : {control.chkAnalogInputs, control.chkAnalogMonitors, control.chkAnalogOutputs,
                      control.chkDigitalInputs, control.chkDigitalOutputs})
      ui::user::Click(box);
    program.app.ProcessMessages();
    inputs = std::make_unique<remote::StripIndex>(*control.Slot(shell::MixerSlot::AnalogInputs),
                                                  remote::Window::kInputs);
    for (int ch = 0; ch < kFaders; ch += 2) ui::user::Click(inputs->Link(ch));
    start = Clock::now();
  }
  // The program's clock follows the wall clock: the meters tick and poll.
  void KeepTime() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    if (ms.count() > program.clock.NowMs()) program.Advance(ms.count() - program.clock.NowMs());
  }
  testing_support::HeadlessProgram program;
  std::unique_ptr<remote::StripIndex> inputs;
  Clock::time_point start;
};

void Report(const char* what, std::vector<double> latencies, double cpu, double wall,
            double longest_step_ms, int wrong) {
  std::sort(latencies.begin(), latencies.end());
  auto at = [&](double q) {
    return latencies.empty() ? 0.0
                             : latencies[static_cast<std::size_t>(q * (latencies.size() - 1))];
  };
  std::printf(
      "%-28s changes %6zu  median %7.1f us  99%% %7.1f us  worst %8.1f us  CPU %5.1f %%"
      "  longest step %6.2f ms  faders off %d\n",
      what, latencies.size(), at(0.5), at(0.99), latencies.empty() ? 0 : latencies.back(),
      100.0 * cpu / wall, longest_step_ms, wrong);
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
  const int rate = argc > 2 ? std::atoi(argv[2]) : 1000;
  if (seconds <= 0 || rate <= 0) {
    std::fprintf(stderr, "usage: morva-remote-burst [SECONDS] [RATE]\n");
    return 2;
  }
  std::string templ = (std::filesystem::temp_directory_path() / "morva-burst-XXXXXX").string();
  if (!::mkdtemp(templ.data())) return 1;
  const std::filesystem::path dir = templ;
  const long total = static_cast<long>(seconds) * rate;
  {
    // Through OSC.
    Program p(dir);
    remote::ControlSurface surface(p.program.state, p.program.clock);
    remote::RequestQueue requests(surface);
    remote::OscSocket socket;
    std::string error;
    for (int port = 47770; socket.fd() < 0 && port < 47800; ++port)
      socket.Open({port, "127.0.0.1"}, error);
    if (socket.fd() < 0) {
      std::fprintf(stderr, "morva-remote-burst: %s\n", error.c_str());
      return 1;
    }
    DriverTimes times;
    p.program.platform.set_observer(&times);
    long datagrams = 0;
    remote::OscEndpoint endpoint(
        surface, requests,
        [&](const remote::OscPeer& to, const std::string& packet) { socket.SendTo(to, packet); });
    // A motor-fader controller listening for the feedback.
    remote::OscPeer listener;
    auto& in = reinterpret_cast<sockaddr_in&>(listener.addr);
    in.sin_family = AF_INET;
    in.sin_port = htons(47771);
    in.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    listener.len = sizeof in;
    endpoint.Receive(remote::EncodeOsc("/subscribe", {{'s', 0, "/card/1/inputs"}}), listener);
    int pipe_fd[2];
    if (::pipe(pipe_fd) != 0) return 1;
    const double cpu0 = CpuSeconds(), wall0 = NowUs();
    const pid_t sender = StartSender(socket.port(), seconds, rate, pipe_fd[1]);
    ::close(pipe_fd[1]);
    double longest = 0, last_feedback = 0;
    const double end = wall0 + (seconds + 1) * 1e6;
    while (NowUs() < end && datagrams < total) {
      pollfd pf{socket.fd(), POLLIN, 0};
      ::poll(&pf, 1, 10);
      const double step = NowUs();
      // One datagram at a time, so that each driver message knows its own.
      for (;;) {
        char buf[2048];
        remote::OscPeer from;
        from.len = sizeof from.addr;
        const ssize_t n = ::recvfrom(socket.fd(), buf, sizeof buf, MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(&from.addr), &from.len);
        if (n <= 0) break;
        times.datagram = datagrams++;
        times.stamped = false;
        endpoint.Receive(std::string_view(buf, static_cast<std::size_t>(n)), from);
      }
      p.program.app.ProcessMessages();
      p.KeepTime();
      if (NowUs() - last_feedback > 30000) {
        surface.Poll();
        last_feedback = NowUs();
      }
      longest = std::max(longest, (NowUs() - step) / 1000.0);
    }
    const double cpu = CpuSeconds() - cpu0, wall = (NowUs() - wall0) / 1e6;
    std::vector<double> sent(static_cast<std::size_t>(total));
    auto* bytes = reinterpret_cast<char*>(sent.data());
    std::size_t want = sent.size() * sizeof(double);
    while (want > 0) {
      const ssize_t n = ::read(pipe_fd[0], bytes, want);
      if (n <= 0) break;
      bytes += n;
      want -= static_cast<std::size_t>(n);
    }
    ::waitpid(sender, nullptr, 0);
    std::vector<double> latencies;
    for (const auto& [d, t] : times.at)
      if (d < total) latencies.push_back(t - sent[static_cast<std::size_t>(d)]);
    // Every fader shows the last value sent to it.
    int wrong = 0;
    const long last_step = total / kFaders - 1;
    for (int f = 0; f < kFaders; ++f) {
      const std::string shown = surface.Get(AddressOf(f)).text;
      const remote::Reply again =
          surface.Set(AddressOf(f), remote::DecibelText(ValueAt(f, last_step)));
      wrong += again.text != shown;
    }
    if (datagrams < total) std::printf("%ld of %ld datagrams arrived\n", datagrams, total);
    Report("through OSC", latencies, cpu, wall, longest, wrong);
    p.program.platform.set_observer(nullptr);
  }
  {
    // The same changes as the user's drags, paced alike.
    Program p(dir);
    remote::ControlSurface surface(p.program.state, p.program.clock);
    DriverTimes times;
    p.program.platform.set_observer(&times);
    std::vector<double> latencies;
    const double cpu0 = CpuSeconds(), wall0 = NowUs();
    double longest = 0;
    const auto start = Clock::now();
    for (long i = 0; i < total; ++i) {
      std::this_thread::sleep_until(start + std::chrono::microseconds(i * 1000000L / rate));
      const int f = static_cast<int>(i % kFaders);
      const double t0 = NowUs();
      times.datagram = i;
      times.stamped = false;
      const std::size_t before = times.at.size();
      remote::DragFaderTo(*p.inputs->Fader(f), sim::Fader::Input, ValueAt(f, i / kFaders));
      p.program.app.ProcessMessages();
      p.KeepTime();
      if (times.at.size() > before) latencies.push_back(times.at.back().second - t0);
      longest = std::max(longest, (NowUs() - t0) / 1000.0);
    }
    Report("as the user's drags", latencies, CpuSeconds() - cpu0, (NowUs() - wall0) / 1e6, longest,
           0);
    p.program.platform.set_observer(nullptr);
  }
  {
    // What the feedback costs the program between the changes: one poll of
    // every control (meters left out, as D-Bus asks), with all five
    // windows of four cards open.
    Program p(dir);
    remote::ControlSurface surface(p.program.state, p.program.clock);
    int heard = 0;
    surface.Subscribe(
        "", [&](const std::string&, const std::string&) { ++heard; }, false);
    constexpr int kPolls = 2000;
    const double t0 = NowUs(), cpu0 = CpuSeconds();
    for (int i = 0; i < kPolls; ++i) surface.Poll();
    std::printf("%-28s %.1f us a poll (CPU %.1f us), %d changes heard\n",
                "feedback, nothing changed", (NowUs() - t0) / kPolls,
                1e6 * (CpuSeconds() - cpu0) / kPolls, heard);
  }
  std::filesystem::remove_all(dir);
  return 0;
}
