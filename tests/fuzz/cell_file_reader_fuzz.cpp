// The cell-file reader over arbitrary file contents.
//
// The input's first byte says after how many lines to rewind; the rest is the file. The
// lines read must equal those of a plain reference reader written from the format's reading
// rules, before and after the rewind, and ReadCellFileLines must agree with both.
#include <unistd.h>

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

// A line ends at CR; an LF right after that CR is skipped; any other LF is text; Ctrl-Z ends
// the file wherever it stands; a last line without a line end is still a line.
std::vector<std::string> ReferenceLines(const std::string& file) {
    const std::string content = file.substr(0, file.find('\x1a'));
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        const std::size_t cr = content.find('\r', start);
        if (cr == std::string::npos) {
            lines.push_back(content.substr(start));
            break;
        }
        lines.push_back(content.substr(start, cr - start));
        start = cr + 1;
        if (start < content.size() && content[start] == '\n') {
            ++start;
        }
    }
    return lines;
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
    Check(norvane::device::ReadCellFileLines(ScratchPath()) == expected, "ReadCellFileLines");
    return 0;
}
