#pragma once
// The application's general error report: what the user sees of a failure that no
// procedure handled itself.
//
// A modal message box titled "Norvane" with the error symbol and an OK button shows the
// failure's own text. The handler that failed ends there; the program goes on running.
//
// Qt does not let exceptions cross its event loop, so every handler that can fail runs its
// body through Guarded(), which turns an escaping exception into this report.

#include <QString>
#include <exception>
#include <stdexcept>
#include <string>
#include <utility>

namespace norvane::ui {

inline constexpr const char* kApplicationTitle = "Norvane";

// A failure that the box shows with one more line below its own text, saying what the
// program was doing (which device it tried, say). what() is the failure's own text.
class TDetailedFailure : public std::runtime_error {
  public:
    TDetailedFailure(const std::string& failureText, std::string detail)
        : std::runtime_error(failureText), Detail_(std::move(detail)) {}
    const std::string& Detail() const { return Detail_; }

  private:
    std::string Detail_;
};

// The failure's text as the box shows it: a period is added when the last character
// sorts after "." (so "Port busy" gets one, "Done." or "(none)" do not).
QString ErrorReportText(const QString& failureText);

// Shows the box and returns when the user has closed it. User-interface thread only. A
// TDetailedFailure's detail goes on a line of its own below ErrorReportText(what()).
void ShowErrorReport(const QString& failureText);
void ShowErrorReport(const std::exception& failure);

// Routes the serial layer's reports of unhandled failures (which may come from its worker
// threads) to the box on the user-interface thread. Call once, on that thread, after the
// QApplication exists.
void InstallErrorReport();

// Runs handler(); an exception it throws is reported through the box and goes no further.
template <class Handler>
void Guarded(Handler&& handler) noexcept {
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception& failure) {
        ShowErrorReport(failure);
    } catch (...) {
        ShowErrorReport(QStringLiteral("Unexpected failure of unknown kind"));
    }
}

}  // namespace norvane::ui
