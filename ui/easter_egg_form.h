#pragma once
// The hidden picture dialog: a photograph and a date, opened from the about box's key
// sequence. Created once at start and kept until the program ends.

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace norvane::ui {

class TEasterEggForm : public QDialog {
    Q_OBJECT
  public:
    explicit TEasterEggForm(QWidget* parent = nullptr);

    // Shows the dialog modally and returns when the user has closed it. The picture is
    // decoded on the first call; a damaged picture throws TJpegError before anything is
    // shown (the next call tries again). User-interface thread only.
    void ShowHiddenPicture();

    QLabel* DateLabel;
    QFrame* ImagePanel;
    QLabel* EasterEggImage;
    QPushButton* OkBtn;

  private:
    void LoadPicture();
};

}  // namespace norvane::ui
