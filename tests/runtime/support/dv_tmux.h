// A tmux server of a test's own, for tests that drive a full-screen
// program through a real terminal and read its screen.
#pragma once

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace dv_test {

// A tmux server on a socket named for this process; the session is "wiz".
class Tmux {
 public:
  Tmux() : socket_("dvterm" + std::to_string(getpid())) {}
  ~Tmux() { Run("kill-server"); }
  int Run(const std::string& arguments) const {
    return std::system(("tmux -L " + socket_ + " " + arguments + " >/dev/null 2>&1").c_str());
  }
  std::string Screen() const {
    std::string text;
    FILE* pipe = popen(("tmux -L " + socket_ + " capture-pane -p -t wiz 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return text;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    pclose(pipe);
    return text;
  }
  // The screen once it shows text (waiting up to 60 seconds: the program
  // runs under an emulator on some machines) and has stopped changing: a
  // page is drawn a piece at a time, its caption before its controls.
  std::string WaitFor(const std::string& text) const {
    std::string screen;
    for (int tries = 0; tries < 600; ++tries) {
      screen = Screen();
      if (screen.find(text) != std::string::npos) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    for (int tries = 0; tries < 50 && screen.find(text) != std::string::npos; ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      std::string again = Screen();
      if (again == screen || again.find(text) == std::string::npos) break;  // settled, or moved on past text
      screen = again;
    }
    return screen;
  }
  void Keys(const std::string& keys) const { Run("send-keys -t wiz " + keys); }

 private:
  std::string socket_;
};

}  // namespace dv_test
