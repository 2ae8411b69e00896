// Build-time packer: turns a readable string-table source into a C++ file that embeds the
// table as an STR0 blob.
//
//   str0_pack --symbol NAME [--expect-count N] SOURCE.txt OUTPUT.cpp
//
// SOURCE holds one entry a line: a decimal code (optionally negative), one tab or blank,
// then the text to the end of the line, in UTF-8. Empty lines and lines starting with '#'
// are skipped. The entries are sorted by code; a duplicate code, a malformed line, invalid
// UTF-8 or a count other than --expect-count fails the build with the file and line.
//
// The blob, all integers little-endian: "STR0", the entry count N, then N index records
// (code, byte offset of the text from the blob start, text length in UTF-16 units), then
// the texts as UTF-16LE, back to back in index order, with no terminators.
//
// OUTPUT defines `std::span<const std::uint8_t> norvane::resources::generated::NAME()`.

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <limits>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct TEntry {
    std::int32_t Code = 0;
    std::u16string Text;
    int Line = 0;
};

struct TOptions {
    std::string Symbol;
    std::optional<std::size_t> ExpectedCount;
    std::string Source;
    std::string Output;
};

// A failure the user has to fix in the source file; carries where it is.
class ESourceError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

std::string Where(const std::string& file, int line) {
    return file + ":" + std::to_string(line) + ": ";
}

// Number of bytes of the UTF-8 sequence that starts with `lead`, 0 for an invalid lead.
int SequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

// Decodes one code point at `pos`, advancing it; nullopt on malformed input.
std::optional<char32_t> DecodeOne(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    const int length = SequenceLength(lead);
    if (length == 0 || pos + length > text.size()) {
        return std::nullopt;
    }
    char32_t point = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        point = (point << 6) | (next & 0x3F);
    }
    pos += length;
    const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool surrogate = point >= 0xD800 && point <= 0xDFFF;
    if (point < smallest[length] || surrogate || point > 0x10FFFF) {
        return std::nullopt;
    }
    return point;
}

std::optional<std::u16string> Utf8ToUtf16(std::string_view text) {
    std::u16string result;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::optional<char32_t> point = DecodeOne(text, pos);
        if (!point) {
            return std::nullopt;
        }
        if (*point < 0x10000) {
            result.push_back(static_cast<char16_t>(*point));
        } else {
            const char32_t rest = *point - 0x10000;
            result.push_back(static_cast<char16_t>(0xD800 + (rest >> 10)));
            result.push_back(static_cast<char16_t>(0xDC00 + (rest & 0x3FF)));
        }
    }
    return result;
}

TEntry ParseEntry(std::string_view line, const std::string& file, int lineNo) {
    TEntry entry;
    entry.Line = lineNo;
    const char* begin = line.data();
    const char* end = begin + line.size();
    const auto [next, error] = std::from_chars(begin, end, entry.Code);
    if (error != std::errc() || next == end || (*next != '\t' && *next != ' ')) {
        throw ESourceError(Where(file, lineNo) + "expected a code, one tab or blank, a text");
    }
    const std::string_view text(next + 1, static_cast<std::size_t>(end - next - 1));
    if (text.empty()) {
        throw ESourceError(Where(file, lineNo) + "code " + std::to_string(entry.Code) +
                           " has an empty text");
    }
    std::optional<std::u16string> wide = Utf8ToUtf16(text);
    if (!wide) {
        throw ESourceError(Where(file, lineNo) + "text is not valid UTF-8");
    }
    entry.Text = std::move(*wide);
    return entry;
}

std::vector<TEntry> ReadSource(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw ESourceError(file + ": cannot open");
    }
    std::vector<TEntry> entries;
    std::string line;
    for (int lineNo = 1; std::getline(in, line); ++lineNo) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        entries.push_back(ParseEntry(line, file, lineNo));
    }
    return entries;
}

void SortUnique(std::vector<TEntry>& entries, const std::string& file) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const TEntry& a, const TEntry& b) { return a.Code < b.Code; });
    const auto same =
        std::adjacent_find(entries.begin(), entries.end(),
                           [](const TEntry& a, const TEntry& b) { return a.Code == b.Code; });
    if (same != entries.end()) {
        throw ESourceError(Where(file, std::next(same)->Line) + "code " +
                           std::to_string(same->Code) + " already defined on line " +
                           std::to_string(same->Line));
    }
}

void PutU32(std::vector<std::uint8_t>& blob, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        blob.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

std::uint32_t CheckedU32(std::size_t value) {
    if (value > std::numeric_limits<std::uint32_t>::max()) {
        throw std::runtime_error("string table larger than 4 GiB");
    }
    return static_cast<std::uint32_t>(value);
}

std::vector<std::uint8_t> PackStr0(const std::vector<TEntry>& entries) {
    std::vector<std::uint8_t> blob{'S', 'T', 'R', '0'};
    PutU32(blob, CheckedU32(entries.size()));
    std::size_t offset = 8 + 12 * entries.size();
    for (const TEntry& entry : entries) {
        PutU32(blob, static_cast<std::uint32_t>(entry.Code));
        PutU32(blob, CheckedU32(offset));
        PutU32(blob, CheckedU32(entry.Text.size()));
        offset += 2 * entry.Text.size();
    }
    for (const TEntry& entry : entries) {
        for (const char16_t unit : entry.Text) {
            blob.push_back(static_cast<std::uint8_t>(unit & 0xFF));
            blob.push_back(static_cast<std::uint8_t>(unit >> 8));
        }
    }
    return blob;
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RenderCpp(const std::vector<std::uint8_t>& blob, const TOptions& options) {
    std::ostringstream out;
    out << "// Generated by str0_pack from " << BaseName(options.Source) << "; do not edit.\n"
        << "#include <cstdint>\n#include <span>\n\n"
        << "namespace norvane::resources::generated {\n\nnamespace {\n"
        << "alignas(4) constexpr std::uint8_t kBytes[" << blob.size() << "] = {";
    static constexpr char kHex[] = "0123456789abcdef";
    for (std::size_t i = 0; i < blob.size(); ++i) {
        out << (i % 16 == 0 ? "\n    " : " ") << "0x" << kHex[blob[i] >> 4] << kHex[blob[i] & 0xF]
            << ",";
    }
    out << "\n};\n}  // namespace\n\n"
        << "std::span<const std::uint8_t> " << options.Symbol << "() { return kBytes; }\n\n"
        << "}  // namespace norvane::resources::generated\n";
    return out.str();
}

// Writes through a temporary file so that a failed run never leaves a half-written source
// for the next build to compile.
void WriteFile(const std::string& path, const std::string& content) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << content;
        if (!out.flush()) {
            throw std::runtime_error(temporary + ": cannot write");
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        throw std::runtime_error(path + ": cannot replace");
    }
}

std::size_t ParseCount(std::string_view text) {
    std::size_t value = 0;
    const auto [next, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || next != text.data() + text.size()) {
        throw std::runtime_error("--expect-count needs a number, got \"" + std::string(text) +
                                 "\"");
    }
    return value;
}

TOptions ParseOptions(int argc, char** argv) {
    TOptions options;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--symbol" && i + 1 < argc) {
            options.Symbol = argv[++i];
        } else if (arg == "--expect-count" && i + 1 < argc) {
            options.ExpectedCount = ParseCount(argv[++i]);
        } else {
            positional.emplace_back(arg);
        }
    }
    if (options.Symbol.empty() || positional.size() != 2) {
        throw std::runtime_error(
            "usage: str0_pack --symbol NAME [--expect-count N] SOURCE.txt OUTPUT.cpp");
    }
    options.Source = positional[0];
    options.Output = positional[1];
    return options;
}

void Run(const TOptions& options) {
    std::vector<TEntry> entries = ReadSource(options.Source);
    SortUnique(entries, options.Source);
    if (options.ExpectedCount && entries.size() != *options.ExpectedCount) {
        throw ESourceError(options.Source + ": " + std::to_string(entries.size()) +
                           " entries, expected " + std::to_string(*options.ExpectedCount));
    }
    WriteFile(options.Output, RenderCpp(PackStr0(entries), options));
}

}  // namespace

int main(int argc, char** argv) {
    try {
        Run(ParseOptions(argc, argv));
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "str0_pack: " << error.what() << '\n';
        return 1;
    }
}
