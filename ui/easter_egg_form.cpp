#include "ui/easter_egg_form.h"

#include <QFile>
#include <QPixmap>
#include <stdexcept>
#include <string>

#include "ui/dialog_placement.h"
#include "ui/fixed_dialog.h"
#include "ui/jpeg_image.h"

// Resources compiled into a static library are only linked in when something names them.
static void LoadPictureResources() {
    Q_INIT_RESOURCE(pictures);
}

namespace norvane::ui {

namespace {

const char* const kPicturePath = ":/pictures/hidden_picture.jpg";

QByteArray ReadResource(const char* path) {
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error(std::string("The program's picture ") + path + " is missing");
    }
    return file.readAll();
}

}  // namespace

TEasterEggForm::TEasterEggForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("EasterEggForm"));
    MakeFixedDialog(this, QStringLiteral(";-)"), 353, 323, 13);

    DateLabel = new QLabel(QStringLiteral("11/Jul/02"), this);
    DateLabel->setObjectName(QStringLiteral("DateLabel"));
    DateLabel->setFont(ArialOfPixels(11));
    DateLabel->setGeometry(288, 262, 43, 14);
    FitLabelToText(*DateLabel);

    ImagePanel = new QFrame(this);
    ImagePanel->setObjectName(QStringLiteral("ImagePanel"));
    ImagePanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ImagePanel->setLineWidth(1);
    ImagePanel->setGeometry(16, 16, 322, 242);

    EasterEggImage = new QLabel(ImagePanel);
    EasterEggImage->setObjectName(QStringLiteral("EasterEggImage"));
    EasterEggImage->setGeometry(1, 1, 320, 240);

    OkBtn = MakeOkButton(this, this, "OkBtn");
    OkBtn->setGeometry(139, 286, 75, 25);
}

void TEasterEggForm::LoadPicture() {
    if (!EasterEggImage->pixmap().isNull()) {
        return;
    }
    static const bool loaded = (LoadPictureResources(), true);
    (void)loaded;
    EasterEggImage->setPixmap(QPixmap::fromImage(DecodeJpeg(ReadResource(kPicturePath))));
}

void TEasterEggForm::ShowHiddenPicture() {
    LoadPicture();
    CentreOnScreen(*this);
    OkBtn->setFocus();
    exec();
}

}  // namespace norvane::ui
