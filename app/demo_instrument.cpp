#include "app/demo_instrument.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <fstream>
#include <stdexcept>

#include "app/runnable_file.h"
#include "serial/ports/port_map.h"

namespace norvane::app {

namespace {

constexpr int kDemoPort = 1;
constexpr int kStopGraceMs = 3000;

std::runtime_error NotFound(const char* what, const std::vector<QString>& candidates) {
    std::string places;
    for (const QString& candidate : candidates) {
        places += "\n  " + candidate.toStdString();
    }
    return std::runtime_error(std::string("the demo needs ") + what +
                              ", found in none of:" + places);
}

QString Under(const QString& directory, const QString& relative) {
    return QDir::cleanPath(directory + u'/' + relative);
}

// Runs in the forked child before exec: the simulator dies with us, even when we are
// killed without a chance to stop it.
void DieWithParent(pid_t parent) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) {
        ::_exit(1);  // the parent died before the line above took effect
    }
}

}  // namespace

std::vector<QString> SimulatorCandidates(const QString& executableDirectory) {
    return {
        Under(executableDirectory, QStringLiteral("norvane-instrument")),
        Under(executableDirectory,
              QStringLiteral(NORVANE_INSTALL_LIBEXEC_FROM_BIN "/norvane-instrument")),
        Under(executableDirectory,
              QStringLiteral(NORVANE_BUILD_SIM_FROM_APP "/norvane-instrument")),
    };
}

std::vector<QString> DemoCellsCandidates(const QString& executableDirectory) {
    return {
        Under(executableDirectory, QStringLiteral("demo-cells.nvf")),
        Under(executableDirectory, QStringLiteral(NORVANE_INSTALL_DATA_FROM_BIN "/demo-cells.nvf")),
        Under(executableDirectory, QStringLiteral(NORVANE_BUILD_SIM_FROM_APP "/demo-cells.nvf")),
    };
}

std::optional<QString> FirstExistingFile(const std::vector<QString>& candidates) {
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isFile()) {
            return candidate;
        }
    }
    return std::nullopt;
}

QString FindSimulator(const QString& executableDirectory) {
    const auto candidates = SimulatorCandidates(executableDirectory);
    const auto simulator = FirstExistingFile(candidates);
    if (!simulator) {
        throw NotFound("the instrument simulator norvane-instrument", candidates);
    }
    if (const auto problem = WhyNotToRun(simulator->toStdString())) {
        throw std::runtime_error("the demo does not run " + simulator->toStdString() + ": " +
                                 *problem);
    }
    return *simulator;
}

TDemoInstrument::TDemoInstrument(const QString& programDirectory,
                                 std::chrono::milliseconds timeout) {
    if (!SettingsDirectory_.isValid()) {
        throw std::runtime_error("the demo cannot create a temporary directory: " +
                                 SettingsDirectory_.errorString().toStdString());
    }
    const QString here =
        programDirectory.isEmpty() ? QCoreApplication::applicationDirPath() : programDirectory;
    const QString simulator = FindSimulator(here);
    const auto tables = DemoCellsCandidates(here);
    const auto cells = FirstExistingFile(tables);
    if (!cells) {
        throw NotFound("its cell table demo-cells.nvf", tables);
    }
    Start(simulator, *cells, timeout);
    WriteSettingsFile();
    serial::PortMap().Assign(kDemoPort, LinePath_);
}

void TDemoInstrument::Start(const QString& simulator, const QString& cells,
                            std::chrono::milliseconds timeout) {
    const pid_t parent = ::getpid();
    Process_.setChildProcessModifier([parent] { DieWithParent(parent); });
    Process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    Process_.start(simulator, {QStringLiteral("--cells"), cells});
    const QDeadlineTimer deadline(timeout);
    if (!Process_.waitForStarted(static_cast<int>(deadline.remainingTime()))) {
        throw std::runtime_error("cannot start " + simulator.toStdString() + ": " +
                                 Process_.errorString().toStdString());
    }
    // The simulator prints the path of its line as its first line, then answers on it.
    while (!Process_.canReadLine() &&
           Process_.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
    }
    if (!Process_.canReadLine()) {
        Stop();
        throw std::runtime_error(simulator.toStdString() + " announced no line (exit code " +
                                 std::to_string(Process_.exitCode()) + ")");
    }
    LinePath_ = QString::fromLocal8Bit(Process_.readLine()).trimmed().toStdString();
}

void TDemoInstrument::Stop() {
    if (Process_.state() == QProcess::NotRunning) {
        return;
    }
    Process_.terminate();
    if (!Process_.waitForFinished(kStopGraceMs)) {
        Process_.kill();
        Process_.waitForFinished(kStopGraceMs);
    }
}

TDemoInstrument::~TDemoInstrument() {
    Stop();
}

void TDemoInstrument::WriteSettingsFile() const {
    std::ofstream file(SettingsPath(), std::ios::trunc);
    file << "[PortDevices]\n" << kDemoPort << '=' << LinePath_ << '\n';
    file.close();
    if (!file) {
        throw std::runtime_error("the demo cannot write its settings file " + SettingsPath());
    }
}

std::string TDemoInstrument::SettingsPath() const {
    return SettingsDirectory_.filePath(QStringLiteral("Norvane.ini")).toStdString();
}

}  // namespace norvane::app
