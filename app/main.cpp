// norvane: the desktop program. See --help.

#include <signal.h>

#include <iostream>
#include <optional>

#include "app/demo_instrument.h"
#include "app/guarded_application.h"
#include "app/norvane_application.h"
#include "app/program_options.h"
#include "app/screenshot_tour.h"
#include "base/command_line_usage.h"
#include "session/port_settings_file.h"
#include "session/standard_streams.h"
#include "session/termination_watch.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

}  // namespace

int main(int argc, char** argv) {
    norvane::session::EnsureStandardStreamsOpen();
    using namespace norvane::app;
    TProgramOptions options;
    try {
        options = ParseProgramOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const norvane::base::TUsageError& failure) {
        std::cerr << norvane::base::UsageErrorText(kProgramName, failure.what());
        return kExitUsage;
    }
    if (options.ShowHelp) {
        std::cout << UsageText();
        return 0;
    }
    if (options.ShowVersion) {
        std::cout << norvane::base::VersionText(kProgramName);
        return 0;
    }
    // Standard error closed under us must not kill the program with its port locked.
    ::signal(SIGPIPE, SIG_IGN);
    TGuardedApplication application(argc, argv);
    try {
        // Up before the demo starts and down after everything has closed: SIGTERM, SIGHUP or
        // SIGINT then end the program the way Exit does, and the demo cleans up after itself
        // (its simulator stopped, its temporary directory removed).
        TNorvaneApplication* running = nullptr;
        norvane::session::TTerminationWatch termination([&running](int) {
            if (running != nullptr) {
                running->EndOnRequest();
            }
        });
        std::optional<TDemoInstrument> demo;
        if (options.Demo) {
            demo.emplace();
            std::cerr << "norvane: demo mode: port 1 is the simulated instrument on "
                      << demo->LinePath() << "; port settings are not saved\n";
        }
        const std::string settingsPath = demo ? demo->SettingsPath()
                                         : options.SettingsPath
                                             ? *options.SettingsPath
                                             : norvane::session::DefaultSettingsPath();
        TNorvaneApplication norvane(settingsPath);
        // Closing the port pumps events: a signal then must not reach a half-destroyed object.
        struct TForgetOnExit {
            TNorvaneApplication*& Running;
            ~TForgetOnExit() { Running = nullptr; }
        };
        running = &norvane;
        const TForgetOnExit forget{running};
        if (options.ScreenshotDirectory) {
            return RunScreenshotTour(norvane, QString::fromStdString(*options.ScreenshotDirectory));
        }
        return application.exec();
    } catch (const std::exception& failure) {
        std::cerr << "norvane: " << failure.what() << '\n';
        return kExitFailure;
    }
}
