#pragma once
// Driving the program the way a user does: keys typed through the X server (xdotool), and
// a script of steps that wait for what the user would see before the next key.
//
// Keys sent with QTest go straight to a widget and pass by what the X server decides: which
// window has the focus, which popup grabbed the keyboard. Those decisions are where a user
// trips, so these tests only run under a real window manager (tools/with-window-manager).

#include <QString>
#include <functional>
#include <string>
#include <vector>

namespace norvane::test {

// Types through the X server into whatever window has its focus: xdotool's `key` for names
// such as "Return" or "space", `type` for text. Returns at once; the events reach the
// program when its event loop next runs.
void PressKey(const QString& key);
void TypeText(const QString& text);

// Steps run from the event loop, each once its condition holds, one after the other; the
// modal dialogs a step opens do not stop the script. After `patience` without the next
// condition coming true the script gives up: it records the step it stopped at and closes
// every modal dialog, so that the test ends and says where.
class TKeyScript {
  public:
    struct TStep {
        std::string Awaiting;  // what the step waits for, in words
        std::function<bool()> Ready;
        std::function<void()> Act;
    };

    explicit TKeyScript(std::vector<TStep> steps, int patienceMs = 20000);
    // Starts polling; the script lives until the test's end.
    void Start();
    // Empty when every step ran, else the words of the step it gave up on and where the
    // keys went at that moment.
    const std::string& StuckAt() const { return StuckAt_; }

  private:
    void Poll();

    std::vector<TStep> Steps_;
    std::size_t Next_ = 0;
    int PatienceMs_;
    int WaitedMs_ = 0;
    std::string StuckAt_;
};

}  // namespace norvane::test
