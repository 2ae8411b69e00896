#pragma once
// The program's own instrument session (port component, Qt time-out timer, link and
// transfers) in the test process, on a given serial line: the real serial layer with its
// threads, for drills that need to look inside the process while transfers run.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <memory>
#include <string>

#include "serial/errors/serial_layer.h"
#include "serial/ports/port_map.h"
#include "session/instrument_session.h"

namespace norvane::test {

// The one Qt application of a test program: made on first use, destroyed when the tests
// are over (not by an exit handler, which would run after Qt's own statics are gone).
class TCoreApplicationEnvironment : public ::testing::Environment {
  public:
    static void Ensure() {
        static int argc = 1;
        static char name[] = "norvane-e2e";
        static char* argv[] = {name, nullptr};
        if (QCoreApplication::instance() == nullptr) {
            Application() = std::make_unique<QCoreApplication>(argc, argv);
        }
    }
    void TearDown() override { Application().reset(); }

  private:
    static std::unique_ptr<QCoreApplication>& Application() {
        static std::unique_ptr<QCoreApplication> application;
        return application;
    }
};

inline void EnsureCoreApplication() {
    static const bool registered =
        (::testing::AddGlobalTestEnvironment(new TCoreApplicationEnvironment), true);
    (void)registered;
    TCoreApplicationEnvironment::Ensure();
}

// Port 1 is the line at `path`; the port opens when the line trigger is added.
class TSessionOnLine {
  public:
    explicit TSessionOnLine(const std::string& path) {
        EnsureCoreApplication();
        serial::PortMap().Assign(1, path);
        Session.ComPort().SetComNumber(1);
    }
    ~TSessionOnLine() { serial::PortMap().ClearAssignments(); }
    TSessionOnLine(const TSessionOnLine&) = delete;
    TSessionOnLine& operator=(const TSessionOnLine&) = delete;

    // Opens the port. Throws the serial layer's exception when it cannot.
    void Open() { Session.Link().AddLineTrigger(); }

    serial::TSerialLayerScope SerialLayer;
    session::TInstrumentSession Session;
};

}  // namespace norvane::test
