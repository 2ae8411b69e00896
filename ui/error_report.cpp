#include "ui/error_report.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include "serial/application_hooks.h"

namespace norvane::ui {

QString ErrorReportText(const QString& failureText) {
    if (!failureText.isEmpty() && failureText.back() > QChar(u'.')) {
        return failureText + u'.';
    }
    return failureText;
}

void ShowErrorReport(const QString& failureText) {
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kApplicationTitle),
                    ErrorReportText(failureText), QMessageBox::Ok);
    box.exec();
}

void ShowErrorReport(const std::exception& failure) {
    ShowErrorReport(QString::fromUtf8(failure.what()));
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
