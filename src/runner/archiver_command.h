#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/byte_sink.h"
#include "base/code_page.h"

namespace velkin {

inline constexpr std::wstring_view kListFileName = L"Velkin.lst";

// What the 7-Zip family's console programs are told besides the profile's switches: progress to
// standard output, which they leave out when it is not a console, and their text in UTF-8, so
// that names outside the code page come through exact.
inline constexpr std::wstring_view kSevenZipConsoleSwitches = L"-bsp1 -sccUTF-8";

// What one archiver run is given.
struct ArchiverInvocation {
    std::wstring archiverPath; // the stored location, used as it stands
    std::wstring switches;     // the group's profile text, verbatim and unquoted, maybe empty
    std::wstring archivePath;  // the group's destination
    std::wstring listFilePath; // full path of the list file
    std::wstring_view addedSwitches = {}; // Velkin's own, after the profile's; maybe empty
};

// "<archiver>" A <switches> "<archive>" "@<list file>", joined with nothing else between; added
// switches go after the profile's, a blank before them. A
// quote in the archiver's location, the archive path or the list file's path could not be
// quoted: the error that the archiver could not be started is thrown instead.
std::wstring BuildArchiverCommandLine(const ArchiverInvocation& invocation);

// Ansi and Utf16 (little-endian, with a byte-order mark) are WinRAR's; the 7-Zip family reads
// UTF-8, or what its -scs switch names: UTF-16 in either order without a mark, or a code page.
// Unwritable: some path has no form in the one encoding the archiver will read.
enum class ListFileEncoding { Ansi, Utf16, Utf8, Utf16Be, CodePage, Unwritable };

struct ListFile {
    ListFileEncoding encoding = ListFileEncoding::Ansi;
    std::string bytes;
};

// One path of a list file, in the two parts the job rows keep: folder and file name.
struct ListFileLine {
    std::wstring_view folder;
    std::wstring_view fileName;
};

// The lines of a list file where their owner keeps them, so that a million lines need no
// copy of their own.
class ListFileLines {
public:
    virtual ~ListFileLines() = default;
    virtual std::size_t Count() const = 0;
    virtual ListFileLine At(std::size_t n) const = 0;
};

// Lines already in a vector.
class ListFileLinesIn final : public ListFileLines {
public:
    explicit ListFileLinesIn(const std::vector<ListFileLine>& lines) : lines_(lines) {}
    std::size_t Count() const override { return lines_.size(); }
    ListFileLine At(std::size_t n) const override { return lines_[n]; }

private:
    const std::vector<ListFileLine>& lines_;
};

// One path a line, every line ended by CR LF, in list order, duplicates kept; a path that ends in
// a blank or a tab in double quotes, since WinRAR trims a line's end and then takes one pair of
// enclosing quotes off. ANSI bytes without a header whenever the code page can represent every
// path; otherwise UTF-16LE with a byte-order mark, which the archiver recognises by itself, so
// that no file goes missing from the archive because its name was mangled into "?". Written to
// the sink in pieces, started over in UTF-16 at the first path without an ANSI form.
ListFileEncoding WriteListFile(const ListFileLines& lines, const CodePage& codePage,
                               ByteSink& sink);
// The same in one string.
ListFile BuildListFile(const ListFileLines& lines, const CodePage& codePage);
ListFile BuildListFile(const std::vector<ListFileLine>& lines, const CodePage& codePage);

} // namespace velkin
