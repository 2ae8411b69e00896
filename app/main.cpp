// norvane: the desktop program. See --help.

#include <iostream>
#include <optional>

#include "app/demo_instrument.h"
#include "app/guarded_application.h"
#include "app/norvane_application.h"
#include "app/program_options.h"
#include "app/screenshot_tour.h"
#include "ui/port_settings_file.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

}  // namespace

int main(int argc, char** argv) {
    using namespace norvane::app;
    TProgramOptions options;
    try {
        options = ParseProgramOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const TUsageError& failure) {
        std::cerr << "norvane: " << failure.what() << "\nTry 'norvane --help'.\n";
        return kExitUsage;
    }
    if (options.ShowHelp) {
        std::cout << UsageText();
        return 0;
    }
    TGuardedApplication application(argc, argv);
    try {
        std::optional<TDemoInstrument> demo;
        if (options.Demo) {
            demo.emplace();
            std::cerr << "norvane: demo mode: port 1 is the simulated instrument on "
                      << demo->LinePath() << "; port settings are not saved\n";
        }
        const std::string settingsPath = demo ? demo->SettingsPath()
                                         : options.SettingsPath
                                             ? *options.SettingsPath
                                             : norvane::ui::DefaultSettingsPath();
        TNorvaneApplication norvane(settingsPath);
        if (options.ScreenshotDirectory) {
            return RunScreenshotTour(norvane, QString::fromStdString(*options.ScreenshotDirectory));
        }
        return application.exec();
    } catch (const std::exception& failure) {
        std::cerr << "norvane: " << failure.what() << '\n';
        return kExitFailure;
    }
}
