// The cell-file reader over arbitrary file contents.
//
// The input's first byte says after how many lines to rewind; the rest is the file. The
// lines read must equal those of a plain reference reader written from the format's reading
// rules, before and after the rewind, and ReadCellFileLines must agree with both; a file
// with a line the reference calls no cell line must be refused.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "device/cell_file.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "cell_file_reader_fuzz: %s\n", what);
        std::abort();
    }
}

// A line ends at CR LF, at CR alone or at LF alone; Ctrl-Z ends the file wherever it stands;
// a last line without a line end is still a line.
std::vector<std::string> ReferenceLines(const std::string& file) {
    const std::string content = file.substr(0, file.find('\x1a'));
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        const std::size_t end = content.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(content.substr(start));
            break;
        }
        lines.push_back(content.substr(start, end - start));
        start = end + 1;
        if (content[end] == '\r' && start < content.size() && content[start] == '\n') {
            ++start;
        }
    }
    return lines;
}

// Too long, or holding a control character other than tab: the whole file is refused.
bool IsNoCellLine(const std::string& line) {
    const auto control = [](unsigned char c) { return (c < 32 && c != '\t') || c == 127; };
    return line.size() > norvane::device::TCellFileReader::kMaxLineLength ||
           std::any_of(line.begin(), line.end(), control);
}

// The line a Ctrl-Z with bytes after it stands in, counting line ends before it; else 0.
std::int32_t ReferenceLineCutByEndMark(const std::string& file) {
    const std::size_t mark = file.find('\x1a');
    if (mark == std::string::npos || mark + 1 == file.size()) {
        return 0;
    }
    std::int32_t line = 1;
    for (std::size_t i = 0; i < mark; ++i) {
        const bool crLf = file[i] == '\n' && i > 0 && file[i - 1] == '\r';
        if (file[i] == '\r' || (file[i] == '\n' && !crLf)) {
            ++line;
        }
    }
    return line;
}

// One scratch file per fuzzing process, rewritten for every input and removed at exit. In
// memory where the system offers it: a disk file system may flush a truncated file on every
// close, which would slow the fuzzing down a hundredfold.
const char* ScratchPath() {
    static char name[] = "/dev/shm/norvane-cell-fuzz-XXXXXX";
    static const bool created = [] {
        int fd = ::mkstemp(name);
        if (fd < 0) {
            std::strcpy(name, "/tmp/norvane-cell-fuzz-XXXXXX");
            fd = ::mkstemp(name);
        }
        Check(fd >= 0, "cannot create the scratch file");
        ::close(fd);
        std::atexit([] { ::unlink(name); });
        return true;
    }();
    (void)created;
    return name;
}

void WriteScratch(const std::string& content) {
    std::FILE* file = std::fopen(ScratchPath(), "wb");
    Check(file != nullptr, "cannot open the scratch file");
    Check(std::fwrite(content.data(), 1, content.size(), file) == content.size(), "short write");
    Check(std::fclose(file) == 0, "cannot close the scratch file");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t rewindAfter = data[0] % 8;
    const std::string content(reinterpret_cast<const char*>(data) + 1, size - 1);
    WriteScratch(content);
    const std::vector<std::string> expected = ReferenceLines(content);
    for (const std::string& line : expected) {
        if (IsNoCellLine(line)) {
            try {
                norvane::device::ReadCellFileLines(ScratchPath());
            } catch (const norvane::device::TCellFileError&) {
                return 0;
            }
            Check(false, "an overlong line or one with control characters was read");
        }
    }

    norvane::device::TCellFileReader reader(ScratchPath());
    std::string line;
    for (std::size_t i = 0; i < rewindAfter && i < expected.size(); ++i) {
        Check(reader.ReadLine(line), "fewer lines than the reference");
        Check(line == expected[i], "line differs before the rewind");
    }
    reader.Rewind();
    std::vector<std::string> lines;
    while (reader.ReadLine(line)) {
        lines.push_back(line);
    }
    Check(line.empty(), "line not left empty at the end");
    Check(!reader.ReadLine(line), "a line after the end");
    Check(lines == expected, "lines differ from the reference");
    Check(reader.LineCutByEndMark() == ReferenceLineCutByEndMark(content),
          "line cut by Ctrl-Z differs from the reference");
    Check(norvane::device::ReadCellFileLines(ScratchPath()) == expected, "ReadCellFileLines");
    return 0;
}
