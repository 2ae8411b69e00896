#include "tests/ui/real_keys.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QProcess>
#include <QTimer>

namespace norvane::test {

namespace {

constexpr int kPollMs = 20;

void RunXdotool(const QStringList& arguments) {
    // --clearmodifiers is not wanted: nothing holds a modifier on a virtual screen, and
    // the tool would then fiddle with the keyboard state between keys.
    const int status = QProcess::execute(QStringLiteral("xdotool"), arguments);
    EXPECT_EQ(status, 0) << "xdotool " << arguments.join(' ').toStdString();
}

// What the user would see: which window is active, and which control has the focus.
std::string WhereKeysGo() {
    const auto describe = [](const QWidget* widget) {
        return widget == nullptr ? std::string("none")
                                 : std::string(widget->metaObject()->className()) + " \"" +
                                       widget->objectName().toStdString() + "\"";
    };
    std::string visiblePopups;
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->windowType() == Qt::Popup) {
            visiblePopups += " " + describe(window);
        }
    }
    return "active window " + describe(QApplication::activeWindow()) + ", focus " +
           describe(QApplication::focusWidget()) +
           ", popups:" + (visiblePopups.empty() ? " none" : visiblePopups);
}

}  // namespace

void PressKey(const QString& key) {
    RunXdotool({QStringLiteral("key"), key});
}

void TypeText(const QString& text) {
    RunXdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text});
}

TKeyScript::TKeyScript(std::vector<TStep> steps, int patienceMs)
    : Steps_(std::move(steps)), PatienceMs_(patienceMs) {}

void TKeyScript::Start() {
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, [this, timer] {
        Poll();
        if (Next_ == Steps_.size() || !StuckAt_.empty()) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(kPollMs);
}

void TKeyScript::Poll() {
    TStep& step = Steps_[Next_];
    if (step.Ready()) {
        WaitedMs_ = 0;
        ++Next_;
        step.Act();
        return;
    }
    WaitedMs_ += kPollMs;
    if (WaitedMs_ < PatienceMs_) {
        return;
    }
    StuckAt_ = step.Awaiting + " (" + WhereKeysGo() + ")";
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(window);
            dialog != nullptr && dialog->isVisible()) {
            dialog->done(QDialog::Rejected);
        }
    }
}

}  // namespace norvane::test
