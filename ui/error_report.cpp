#include "ui/error_report.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include "serial/errors/application_hooks.h"

namespace norvane::ui {

QString ErrorReportText(const QString& failureText) {
    if (!failureText.isEmpty() && failureText.back() > QChar(u'.')) {
        return failureText + u'.';
    }
    return failureText;
}

namespace {

void ShowBox(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kApplicationTitle), text,
                    QMessageBox::Ok);
    box.exec();
}

}  // namespace

void ShowErrorReport(const QString& failureText) {
    ShowBox(ErrorReportText(failureText));
}

void ShowErrorReport(const std::exception& failure) {
    const QString text = ErrorReportText(QString::fromUtf8(failure.what()));
    if (const auto* detailed = dynamic_cast<const TDetailedFailure*>(&failure);
        detailed != nullptr && !detailed->Detail().empty()) {
        ShowBox(text + u'\n' + QString::fromStdString(detailed->Detail()));
    } else {
        ShowBox(text);
    }
}

void InstallErrorReport() {
    serial::SetExceptionReport([](const std::exception& failure) {
        const QString text = QString::fromUtf8(failure.what());
        QCoreApplication* application = QCoreApplication::instance();
        if (application == nullptr) {
            return;
        }
        if (QThread::currentThread() == application->thread()) {
            ShowErrorReport(text);
        } else {
            // A worker thread must not wait for the user; the box opens from the event loop.
            QMetaObject::invokeMethod(
                application, [text] { ShowErrorReport(text); }, Qt::QueuedConnection);
        }
    });
}

}  // namespace norvane::ui
