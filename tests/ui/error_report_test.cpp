#include "ui/error_report.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <stdexcept>
#include <thread>

#include "serial/errors/application_hooks.h"
#include "tests/ui/modal_answer.h"
#include "ui/button_glyphs.h"

namespace norvane::ui {
namespace {

TEST(ErrorReportText, AddsAPeriodOnlyAfterCharactersThatSortAfterIt) {
    EXPECT_EQ(ErrorReportText("Unable to write to /x/Norvane.ini"),
              "Unable to write to /x/Norvane.ini.");
    EXPECT_EQ(ErrorReportText("Port 7 is busy."), "Port 7 is busy.");
    EXPECT_EQ(ErrorReportText("Port 7 is busy!"), "Port 7 is busy!");  // '!' sorts before '.'
    EXPECT_EQ(ErrorReportText("(none)"), "(none)");                    // ')' too
    EXPECT_EQ(ErrorReportText("'' is not a valid integer value"),
              "'' is not a valid integer value.");
    EXPECT_EQ(ErrorReportText("Wert 3"), "Wert 3.");  // digits sort after '.'
    EXPECT_EQ(ErrorReportText("Gerät belegt: Schnittstelle ä"), "Gerät belegt: Schnittstelle ä.");
    EXPECT_EQ(ErrorReportText(""), "");
}

TEST(ErrorReport, GuardedHandlerShowsTheFailureInTheApplicationBoxAndStopsThere) {
    QString title;
    QString text;
    test::AnswerMessageBox(&title, &text);
    bool rest = false;
    Guarded([&rest] {
        throw std::runtime_error("The port was unplugged");
        rest = true;
    });
    EXPECT_FALSE(rest);
    EXPECT_EQ(title, "Norvane");
    EXPECT_EQ(text, "The port was unplugged.");
}

TEST(ErrorReport, AWorkerThreadsReportOpensTheBoxOnTheUserInterfaceThread) {
    InstallErrorReport();
    QString text;
    test::AnswerMessageBox(nullptr, &text);
    std::thread worker([] { serial::ReportException(std::runtime_error("Read failed")); });
    worker.join();
    while (text.isEmpty()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    EXPECT_EQ(text, "Read failed.");
    serial::SetExceptionReport({});
}

TEST(ButtonGlyphs, EveryGlyphHasDistinctNormalAndGreyedHalvesWithATransparentBackground) {
    for (auto glyph : {TButtonGlyph::Download, TButtonGlyph::Upload, TButtonGlyph::ComPort,
                       TButtonGlyph::Exit, TButtonGlyph::File}) {
        const QIcon icon = ButtonGlyph(glyph);
        const QImage normal = icon.pixmap(16, 16, QIcon::Normal).toImage();
        const QImage greyed = icon.pixmap(16, 16, QIcon::Disabled).toImage();
        ASSERT_EQ(normal.size(), QSize(16, 16));
        EXPECT_NE(normal, greyed);
        EXPECT_EQ(qAlpha(normal.pixel(0, 0)), 0);  // the olive corner
        int opaque = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                opaque += qAlpha(normal.pixel(x, y)) == 255 ? 1 : 0;
            }
        }
        EXPECT_GT(opaque, 20);
    }
}

}  // namespace
}  // namespace norvane::ui
