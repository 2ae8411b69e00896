#include "ui/jpeg_image.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>  // jpeglib.h needs FILE declared first

#include <jpeglib.h>

namespace norvane::ui {

namespace {

// libjpeg's default error handling prints and calls exit(). This one records the message
// and jumps back to the decoder, which cleans up and throws from ordinary C++ code: an
// exception must never unwind through libjpeg's C frames.
struct TErrorManager {
    jpeg_error_mgr standard;  // first, so libjpeg's pointer to it is a pointer to us
    std::jmp_buf resume;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JumpOnError(j_common_ptr decoder) {
    auto* errors = reinterpret_cast<TErrorManager*>(decoder->err);
    errors->standard.format_message(decoder, errors->message);
    std::longjmp(errors->resume, 1);
}

// Level -1 is a warning about corrupt data (libjpeg would go on with grey filler); higher
// levels are trace output, which stays quiet.
void JumpOnWarning(j_common_ptr decoder, int level) {
    if (level < 0) {
        JumpOnError(decoder);
    }
}

void StayQuiet(j_common_ptr) {}

// Everything that can make libjpeg report an error runs here, under the jump target. No
// object with a destructor may live in this frame across a libjpeg call: the jump would
// skip it. Returns false after an error, with the message in errors->message.
bool RunDecoder(jpeg_decompress_struct* decoder, TErrorManager* errors, const QByteArray* file,
                QImage* image) {
    if (setjmp(errors->resume) != 0) {
        return false;
    }
    jpeg_create_decompress(decoder);
    jpeg_mem_src(decoder, reinterpret_cast<const unsigned char*>(file->constData()),
                 static_cast<unsigned long>(file->size()));
    jpeg_read_header(decoder, TRUE);
    decoder->out_color_space = JCS_RGB;
    jpeg_start_decompress(decoder);
    *image = QImage(static_cast<int>(decoder->output_width),
                    static_cast<int>(decoder->output_height), QImage::Format_RGB888);
    if (image->isNull()) {
        std::snprintf(errors->message, sizeof errors->message,
                      "Not enough memory for a picture of %u x %u pixels", decoder->output_width,
                      decoder->output_height);
        return false;
    }
    while (decoder->output_scanline < decoder->output_height) {
        JSAMPROW row = image->scanLine(static_cast<int>(decoder->output_scanline));
        jpeg_read_scanlines(decoder, &row, 1);
    }
    jpeg_finish_decompress(decoder);
    return true;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& file) {
    jpeg_decompress_struct decoder{};
    TErrorManager errors{};
    decoder.err = jpeg_std_error(&errors.standard);
    errors.standard.error_exit = JumpOnError;
    errors.standard.emit_message = JumpOnWarning;
    errors.standard.output_message = StayQuiet;
    QImage image;
    const bool decoded = RunDecoder(&decoder, &errors, &file, &image);
    jpeg_destroy_decompress(&decoder);
    if (!decoded) {
        throw TJpegError(errors.message);
    }
    return image;
}

}  // namespace norvane::ui
