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
  // Types text as it is (UTF-8 too), not as key names.
  void Type(const std::string& text) const { Run("send-keys -t wiz -l '" + text + "'"); }
  void Resize(int columns, int lines) const {
    Run("resize-window -t wiz -x " + std::to_string(columns) + " -y " + std::to_string(lines));
  }
  // The screen's last line (a full-screen program's footer).
  std::string Footer() const {
    std::string screen = Screen();
    while (!screen.empty() && (screen.back() == '\n' || screen.back() == ' ')) screen.pop_back();
    size_t line = screen.rfind('\n');
    return line == std::string::npos ? screen : screen.substr(line + 1);
  }
  // Presses key until the footer holds text (at most tries presses, each
  // waited for); FALSE when it never did.
  bool PressUntilFooter(const std::string& key, const std::string& text, int tries = 30) const {
    for (int i = 0; i <= tries; ++i) {
      for (int wait = 0; wait < 20; ++wait) {
        if (Footer().find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      if (i < tries) Keys(key);
    }
    return false;
  }
  // Sends keys, then waits for the screen to show text and settle.
  std::string KeysThenWait(const std::string& keys, const std::string& text) const {
    Keys(keys);
    return WaitFor(text);
  }

 private:
  std::string socket_;
};

}  // namespace dv_test
