#pragma once
// Demo mode: the bundled instrument simulator stands in for the instrument.
//
// The simulator (norvane-instrument) runs as a child process on a pseudo-terminal with a
// cell table of its own (demo-cells.nvf); port 1 means its line for the rest of this run.
// The program keeps its port settings in a temporary settings file that disappears with
// the object, so a demo never touches the user's Norvane.ini. That file says which device
// port 1 is (its "PortDevices" section), because loading the port settings makes the
// file's device assignments the only ones.
//
// The bundled files are looked for relative to the executable, so that a copied or
// installed program finds its own: beside it, then where an installation puts them
// (PREFIX/bin/norvane -> PREFIX/libexec/norvane, PREFIX/share/norvane), then where a build
// tree has them (build/app/norvane -> build/sim). The simulator found is run only when
// nobody else could have changed it (runnable_file.h).
//
// The simulator ends with the object, and with this process however it ends (the kernel
// sends it SIGTERM when we die).
//
// User-interface thread only.

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace norvane::app {

// Where the bundled simulator and its demo table may be, in the order they are tried, for
// an executable in executableDirectory.
std::vector<QString> SimulatorCandidates(const QString& executableDirectory);
std::vector<QString> DemoCellsCandidates(const QString& executableDirectory);

// The first candidate that is a file, if any.
std::optional<QString> FirstExistingFile(const std::vector<QString>& candidates);

// The simulator for an executable in executableDirectory: the first of its candidates that
// exists, once WhyNotToRun() found nothing wrong with it. Throws std::runtime_error naming
// the places searched when none exists, or the file found and what is wrong with it (a
// refused file is not passed over for the next: that would hide that it was planted).
QString FindSimulator(const QString& executableDirectory);

class TDemoInstrument {
  public:
    // Finds the bundled files for a program in programDirectory (by default the running
    // one's, from QCoreApplication), starts the simulator,
    // waits for the path of its line (up to timeout, a hang guard) and makes port 1 mean
    // it. Throws std::runtime_error saying what failed: a file not found (with the places
    // searched), the simulator not starting, or ending or staying silent instead of
    // announcing its line, or a simulator refused by FindSimulator(). Nothing is left running
    // after a throw.
    explicit TDemoInstrument(const QString& programDirectory = QString(),
                             std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Stops the simulator (SIGTERM; SIGKILL when it has not ended within 3 s).
    ~TDemoInstrument();
    TDemoInstrument(const TDemoInstrument&) = delete;
    TDemoInstrument& operator=(const TDemoInstrument&) = delete;

    // The simulator's line, e.g. "/dev/pts/4".
    const std::string& LinePath() const { return LinePath_; }
    // The temporary settings file: no port settings (so the defaults, port 1 at 9600 baud),
    // and port 1 assigned to LinePath().
    std::string SettingsPath() const;
    qint64 ProcessId() const { return Process_.processId(); }

  private:
    void Start(const QString& simulator, const QString& cells, std::chrono::milliseconds timeout);
    void Stop();
    void WriteSettingsFile() const;

    QTemporaryDir SettingsDirectory_;
    QProcess Process_;
    std::string LinePath_;
};

}  // namespace norvane::app
