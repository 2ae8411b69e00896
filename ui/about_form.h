#pragma once
// The about box: logo, name, version and release date. While it has the focus, Alt held
// with V, U, T, A, X typed in order opens the hidden picture (see ui/key_sequence.h).
// Created once at start and kept until the program ends.

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSvgWidget>
#include <functional>

namespace norvane::ui {

class TAboutForm : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutForm(QWidget* parent = nullptr);

    // What the completed key sequence runs (normally TEasterEggForm::ShowHiddenPicture).
    // The picture dialog is created after this one, so the program connects them later.
    // An exception the handler throws goes to the general error report.
    void SetHiddenPictureHandler(std::function<void()> handler);

    // Resets the key sequence, shows the box modally and returns when it has been closed.
    // User-interface thread only.
    void ShowAbout();

    // The key handlers, with keys as the codes of ui/key_sequence.h. Every key that
    // reaches this dialog or one of its controls passes through them before the control
    // sees it; they never consume it.
    void FormKeyDown(int keyCode);
    void FormKeyUp(int keyCode);

    QSvgWidget* LogoImage;
    QFrame* InfoPanel;
    QLabel* ProductLabel;
    QLabel* VersionLabel;
    QLabel* DateLabel;
    QPushButton* OKBtn;
    QLabel* WebAddressLabel;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* KeyTarget() const;

    std::function<void()> HiddenPictureHandler;
};

}  // namespace norvane::ui
