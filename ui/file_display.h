#pragma once
// The transfer dialogs' file display: the chosen file's full path in a line too narrow for
// most paths.
//
// text() is the full path (or "*.nvf" for no choice), as the transfer procedures read it.
// What the line shows is that text elided in the middle, so that the file's own name and
// the start of its path stay visible. The tooltip is the hint (toolTip()) followed, on a
// line of its own, by the full path once a file is chosen.
//
// User-interface thread only.

#include <QLabel>
#include <QString>

namespace norvane::ui {

class TFileDisplay : public QLabel {
  public:
    // noFileText is the text that stands for no chosen file; it gets no path line in the
    // tooltip.
    TFileDisplay(QString noFileText, QWidget* parent);

    // The text as the line shows it now.
    QString DisplayedText() const;
    // The tooltip as it pops up now.
    QString ToolTipText() const;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    QString NoFileText_;
};

}  // namespace norvane::ui
