#pragma once
// JPEG decoding with libjpeg, reporting damage as an exception instead of ending the program.

#include <QByteArray>
#include <QImage>
#include <stdexcept>

namespace norvane::ui {

// A JPEG that libjpeg could not decode. what() is libjpeg's own message
// (e.g. "Premature end of JPEG file").
class TJpegError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Decodes a whole JPEG file held in memory to an RGB image (grey pictures come out as RGB
// too). Throws TJpegError for anything libjpeg reports, warnings about corrupt data
// included: a truncated or damaged file is refused rather than shown half grey. Nothing is
// left allocated after a failure. Safe on any thread.
QImage DecodeJpeg(const QByteArray& file);

}  // namespace norvane::ui
