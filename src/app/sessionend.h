#pragma once
// The end of the user's session reaches the program as a signal (SIGTERM
// from the session or the system, SIGHUP when its terminal or session
// leader goes, SIGINT), as the session manager's request to quit, or as the
// display going away under it (the X server ends with the session). Each
// runs the program's own exit command, so that every window's state is
// saved as "Beenden" saves it.
#include <functional>
#include <memory>

class QObject;
class QSocketNotifier;

namespace app {

class SessionEnd {
 public:
  struct Actions {
    // The exit command, run from the program's loop.
    std::function<void()> exit;
    // The display is gone and Qt is ending the process: the widgets are
    // left alone, the exit command runs, and the process ends with 0.
    std::function<void()> display_gone;
  };

  explicit SessionEnd(Actions actions);
  ~SessionEnd();
  SessionEnd(const SessionEnd&) = delete;
  SessionEnd& operator=(const SessionEnd&) = delete;

  // While armed, a process exit that the program did not ask for is the
  // display going away (Qt ends the process when its connection breaks).
  void Arm(bool armed);
  // Exit handlers and the destructors of function-local objects run in the
  // reverse order of their registration: what the exit command uses must
  // have been made before the handler is registered. The handler is
  // registered once more (it runs once) after the program made more of
  // them: the first windows, a new kind of window, the settings store.
  void RegisterExitHandler();

 private:
  class QuitFilter;
  static void OnProcessExit();
  void Requested();

  Actions actions_;
  int pipe_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
  std::unique_ptr<QuitFilter> quit_filter_;
  bool armed_ = false;
  bool ran_ = false;
  bool requested_ = false;
};

}  // namespace app
