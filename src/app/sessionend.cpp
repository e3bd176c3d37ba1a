#include "app/sessionend.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace app {

namespace {
// A signal handler and an exit handler take no arguments: the one session
// of the process is found here, set while it lives.
SessionEnd* g_session = nullptr;
int g_signal_pipe = -1;

void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  if (g_signal_pipe >= 0) {
    const ssize_t n = write(g_signal_pipe, &byte, 1);
    (void)n;  // a full pipe already holds a request
  }
  errno = saved;
}
}  // namespace

// The session manager's "die" reaches the application as a quit event.
class SessionEnd::QuitFilter : public QObject {
 public:
  explicit QuitFilter(SessionEnd& owner) : owner_(owner) {}
  bool eventFilter(QObject* o, QEvent* e) override {
    if (o == QCoreApplication::instance() && e->type() == QEvent::Quit) {
      owner_.Requested();
      return true;
    }
    return false;
  }

 private:
  SessionEnd& owner_;
};

SessionEnd::SessionEnd(Actions actions) : actions_(std::move(actions)) {
  g_session = this;
  if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) == 0) {
    g_signal_pipe = pipe_[1];
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
      char buf[16];
      while (read(pipe_[0], buf, sizeof buf) > 0) {
      }
      Requested();
    });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) sigaction(sig, &sa, nullptr);
  }
  quit_filter_ = std::make_unique<QuitFilter>(*this);
  if (QCoreApplication* qapp = QCoreApplication::instance())
    qapp->installEventFilter(quit_filter_.get());
}

void SessionEnd::RegisterExitHandler() {
  std::atexit(OnProcessExit);
}

SessionEnd::~SessionEnd() {
  for (int sig : {SIGTERM, SIGHUP, SIGINT}) std::signal(sig, SIG_DFL);
  g_signal_pipe = -1;
  g_session = nullptr;
  notifier_.reset();
  for (int fd : pipe_)
    if (fd >= 0) close(fd);
}

void SessionEnd::Arm(bool armed) {
  armed_ = armed;
}

// A second signal while the exit command runs asks for nothing new.
void SessionEnd::Requested() {
  if (requested_) return;
  requested_ = true;
  if (actions_.exit) actions_.exit();
  requested_ = false;
}

void SessionEnd::OnProcessExit() {
  SessionEnd* s = g_session;
  if (!s || !s->armed_ || s->ran_) return;
  s->ran_ = true;
  std::fputs("morva-manager: the display is gone; saving and ending\n", stderr);
  if (s->actions_.display_gone) s->actions_.display_gone();
  std::fflush(nullptr);
  _exit(0);
}

}  // namespace app
