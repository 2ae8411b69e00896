#include "serial/errors/error_text.h"

#include <cstdlib>
#include <optional>

#include "serial/errors/errno_mapping.h"
#include "serial/errors/serial_layer.h"
#include "serial/errors/string_resource.h"

namespace norvane::serial {

namespace {

bool IsContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

std::int32_t TableCodeOf(std::int32_t code) {
    const auto low = static_cast<std::int16_t>(static_cast<std::uint16_t>(code & 0xFFFF));
    return std::abs(static_cast<std::int32_t>(low));
}

std::string TableText(std::int32_t tableCode) {
    const TVexaStringResource* table = ErrorStringTable();
    return table != nullptr ? table->GetAsString(tableCode) : std::string();
}

}  // namespace

std::string CutUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return std::string(text);
    }
    std::size_t end = maxBytes;
    while (end > 0 && IsContinuationByte(text[end])) {
        --end;
    }
    return std::string(text.substr(0, end));
}

std::string NormaliseSystemMessage(std::string_view message) {
    const std::string cut = CutUtf8(message, kMaxErrorTextLength);
    std::string result;
    result.reserve(cut.size());
    for (std::size_t i = 0; i < cut.size(); ++i) {
        const bool blank = static_cast<unsigned char>(cut[i]) <= ' ';
        const bool nextBlank = i + 1 < cut.size() && static_cast<unsigned char>(cut[i + 1]) <= ' ';
        // Of a run of blanks only the last survives.
        if (!(blank && nextBlank)) {
            result.push_back(blank ? ' ' : cut[i]);
        }
    }
    return result;
}

std::string SystemMessageText(std::int32_t code) {
    const std::optional<int> err = HostErrnoOf(code);
    return err ? NormaliseSystemMessage(HostErrorText(*err)) : std::string();
}

std::string ErrorText(std::int32_t code) {
    const std::int32_t tableCode = TableCodeOf(code);
    std::string text = CutUtf8(TableText(tableCode), kMaxErrorTextLength);
    return text.empty() ? SystemMessageText(tableCode) : text;
}

}  // namespace norvane::serial
