#include "ui/button_glyphs.h"

#include <QBitmap>
#include <QPixmap>

// Resources compiled into a static library are only linked in when something names them.
static void LoadGlyphResources() {
    Q_INIT_RESOURCE(glyphs);
}

namespace norvane::ui {

namespace {

const char* ResourcePath(TButtonGlyph glyph) {
    switch (glyph) {
        case TButtonGlyph::Download:
            return ":/glyphs/download.xpm";
        case TButtonGlyph::Upload:
            return ":/glyphs/upload.xpm";
        case TButtonGlyph::ComPort:
            return ":/glyphs/com_port.xpm";
        case TButtonGlyph::Exit:
            return ":/glyphs/exit.xpm";
        case TButtonGlyph::File:
            return ":/glyphs/file.xpm";
    }
    return "";
}

constexpr int kGlyphSize = 16;
const QColor kTransparentBackground(0x80, 0x80, 0x00);

}  // namespace

QIcon ButtonGlyph(TButtonGlyph glyph) {
    static const bool loaded = (LoadGlyphResources(), true);
    (void)loaded;
    QPixmap strip(ResourcePath(glyph));
    strip.setMask(strip.createMaskFromColor(kTransparentBackground, Qt::MaskInColor));
    QIcon icon;
    icon.addPixmap(strip.copy(0, 0, kGlyphSize, kGlyphSize), QIcon::Normal);
    icon.addPixmap(strip.copy(kGlyphSize, 0, kGlyphSize, kGlyphSize), QIcon::Disabled);
    return icon;
}

}  // namespace norvane::ui
