// The hidden picture: the shipped JPEG, its decoding through libjpeg (damaged files
// included), the picture dialog; and the program icon.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QIcon>
#include <QSet>
#include <cstdint>

#include "tests/ui/modal_answer.h"
#include "ui/application_icon.h"
#include "ui/easter_egg_form.h"
#include "ui/jpeg_image.h"

static void LoadPictureResources() {
    Q_INIT_RESOURCE(pictures);
}

namespace norvane::ui {
namespace {

using ::testing::HasSubstr;

QByteArray ShippedPicture() {
    LoadPictureResources();
    QFile file(":/pictures/hidden_picture.jpg");
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

struct TFrameHeader {
    uint8_t marker = 0;  // 0xC0 baseline, 0xC2 progressive...
    int precision = 0;
    int width = 0;
    int height = 0;
    int components = 0;
};

// Walks the marker segments from SOI up to the first frame header.
TFrameHeader FindFrameHeader(const QByteArray& jpeg) {
    const auto byte = [&](qsizetype at) { return static_cast<uint8_t>(jpeg.at(at)); };
    EXPECT_EQ(byte(0), 0xFF);
    EXPECT_EQ(byte(1), 0xD8);
    qsizetype at = 2;
    while (at + 9 < jpeg.size()) {
        EXPECT_EQ(byte(at), 0xFF) << "segment at " << at;
        const uint8_t marker = byte(at + 1);
        const int length = byte(at + 2) << 8 | byte(at + 3);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            return {marker, byte(at + 4), byte(at + 7) << 8 | byte(at + 8),
                    byte(at + 5) << 8 | byte(at + 6), byte(at + 9)};
        }
        at += 2 + length;
    }
    ADD_FAILURE() << "no frame header";
    return {};
}

TEST(HiddenPictureFile, IsABaselineColourJpegOfTheRightSize) {
    const QByteArray jpeg = ShippedPicture();
    EXPECT_EQ(jpeg.size(), 18774);
    const TFrameHeader frame = FindFrameHeader(jpeg);
    EXPECT_EQ(frame.marker, 0xC0);
    EXPECT_EQ(frame.precision, 8);
    EXPECT_EQ(frame.components, 3);
    EXPECT_EQ(QSize(frame.width, frame.height), QSize(320, 240));
}

TEST(HiddenPictureFile, DecodesThroughLibjpegToAColourPicture) {
    const QImage picture = DecodeJpeg(ShippedPicture());
    ASSERT_EQ(picture.size(), QSize(320, 240));
    // Three components that carry colour: plenty of pixels are far from grey, and the
    // top (sky) is not the bottom (meadow).
    int coloured = 0;
    for (int y = 0; y < 240; y += 8) {
        for (int x = 0; x < 320; x += 8) {
            const QColor pixel(picture.pixel(x, y));
            coloured += pixel.hsvSaturation() > 64 ? 1 : 0;
        }
    }
    EXPECT_GT(coloured, 40 * 30 / 2);
    EXPECT_GT(QColor(picture.pixel(160, 2)).blue(), QColor(picture.pixel(160, 2)).red());
    EXPECT_GT(QColor(picture.pixel(300, 230)).green(), QColor(picture.pixel(300, 230)).blue());
}

TEST(DecodeJpeg, DamagedFilesThrowLibjpegsMessage) {
    const QByteArray good = ShippedPicture();
    const auto message = [](const QByteArray& file) -> std::string {
        try {
            DecodeJpeg(file);
        } catch (const TJpegError& error) {
            return error.what();
        }
        return "(decoded)";
    };
    // Cut in the middle of the picture data: libjpeg alone would only warn and fill grey.
    EXPECT_THAT(message(good.left(good.size() / 2)), HasSubstr("Premature end of JPEG file"));
    // Cut inside the headers.
    EXPECT_THAT(message(good.left(300)), HasSubstr("JPEG"));
    EXPECT_THAT(message(QByteArray("GIF89a, not a JPEG")),
                HasSubstr("Not a JPEG file: starts with 0x47 0x49"));
    EXPECT_THAT(message(QByteArray()), HasSubstr("Empty input"));
    // A frame header claiming an impossible component count.
    QByteArray bogus = good;
    const qsizetype sof = bogus.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    bogus[sof + 9] = 0;
    EXPECT_NE(message(bogus), "(decoded)");
    // Nothing of a failed decoding is left behind to disturb the next one.
    EXPECT_EQ(DecodeJpeg(good).size(), QSize(320, 240));
}

TEST(EasterEggForm, LayoutAndThePictureItShows) {
    TEasterEggForm form;
    EXPECT_EQ(form.windowTitle(), ";-)");
    EXPECT_EQ(form.size(), QSize(353, 323));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_EQ(form.DateLabel->text(), "11/Jul/02");
    EXPECT_EQ(form.DateLabel->pos(), QPoint(288, 262));
    EXPECT_GE(form.DateLabel->width(), 43);
    EXPECT_GE(form.DateLabel->height(), 14);
    EXPECT_EQ(form.DateLabel->font().pixelSize(), 11);
    EXPECT_EQ(form.ImagePanel->geometry(), QRect(16, 16, 322, 242));
    EXPECT_EQ(form.ImagePanel->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(form.findChild<QLabel*>("EasterEggImage")->parentWidget(), form.ImagePanel);
    EXPECT_EQ(form.EasterEggImage->geometry(), QRect(1, 1, 320, 240));
    EXPECT_EQ(form.OkBtn->geometry(), QRect(139, 286, 75, 25));
    EXPECT_TRUE(form.OkBtn->isDefault());

    QImage shown;
    test::AnswerModalOf<TEasterEggForm>([&](TEasterEggForm* open) {
        shown = open->EasterEggImage->pixmap().toImage();
        open->OkBtn->click();
    });
    form.ShowHiddenPicture();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    const QImage expected = DecodeJpeg(ShippedPicture());
    ASSERT_EQ(shown.size(), expected.size());
    EXPECT_EQ(shown.pixel(10, 10), expected.pixel(10, 10));
    EXPECT_EQ(shown.pixel(300, 200), expected.pixel(300, 200));
}

TEST(ApplicationIcon, HasSixteenColourPicturesOfBothSizes) {
    const QIcon icon = ApplicationIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_THAT(icon.availableSizes(),
                ::testing::UnorderedElementsAre(QSize(16, 16), QSize(32, 32)));
    for (const char* path : {":/icons/norvane-16.png", ":/icons/norvane-32.png"}) {
        const QImage picture(path);
        ASSERT_FALSE(picture.isNull()) << path;
        QSet<QRgb> colours;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                colours.insert(picture.pixel(x, y));
            }
        }
        EXPECT_LE(colours.size(), 16) << path;
        EXPECT_GE(colours.size(), 4) << path;  // a drawing, not a blank square
    }
}

}  // namespace
}  // namespace norvane::ui
