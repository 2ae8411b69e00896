#pragma once
// The pictures on the tool buttons of the main window and the file buttons of the transfer
// dialogs.
//
// Each glyph is one 32 x 16 bitmap of 16 colours: the left half is the normal picture, the
// right half the greyed one shown while the button is disabled. Olive (#808000) is the
// background and drawn transparent.

#include <QIcon>

namespace norvane::ui {

enum class TButtonGlyph {
    Download,  // red arrow pointing down
    Upload,    // red arrow pointing up
    ComPort,   // grey connector plug on its cable
    Exit,      // open door
    File,      // floppy disk
};

// The glyph as an icon whose Normal mode is the left half and Disabled mode the right half.
// Needs a QGuiApplication. Never fails for a listed glyph (the bitmaps are compiled in).
QIcon ButtonGlyph(TButtonGlyph glyph);

}  // namespace norvane::ui
