#include "runner/archiver_command.h"

namespace velkin {
namespace {

void AppendUtf16Unit(std::string& bytes, unsigned unit) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>((unit >> 8) & 0xFF);
}

// wchar_t is UTF-16 on Windows and UTF-32 elsewhere; the file is UTF-16LE either way.
void AppendUtf16(std::string& bytes, std::wstring_view text) {
    for (const wchar_t c : text) {
        const auto code = static_cast<unsigned long>(c);
        if (code > 0xFFFF) {
            const auto offset = code - 0x10000;
            AppendUtf16Unit(bytes, 0xD800 + static_cast<unsigned>(offset >> 10));
            AppendUtf16Unit(bytes, 0xDC00 + static_cast<unsigned>(offset & 0x3FF));
        } else {
            AppendUtf16Unit(bytes, static_cast<unsigned>(code));
        }
    }
}

} // namespace

std::wstring BuildArchiverCommandLine(const ArchiverInvocation& invocation) {
    std::wstring line;
    line.reserve(invocation.archiverPath.size() + invocation.switches.size() +
                 invocation.archivePath.size() + invocation.listFilePath.size() + 16);
    line += L'"';
    line += invocation.archiverPath;
    line += L"\" A ";
    line += invocation.switches;
    line += L" \"";
    line += invocation.archivePath;
    line += L"\" \"@";
    line += invocation.listFilePath;
    line += L'"';
    return line;
}

ListFile BuildListFile(const std::vector<std::wstring>& paths, const CodePage& codePage) {
    ListFile file;
    for (const auto& path : paths) {
        auto ansi = codePage.ToAnsi(path);
        if (!ansi) {
            file = ListFile{ListFileEncoding::Utf16, "\xFF\xFE"};
            for (const auto& each : paths) {
                AppendUtf16(file.bytes, each);
                AppendUtf16(file.bytes, L"\r\n");
            }
            return file;
        }
        file.bytes += *ansi;
        file.bytes += "\r\n";
    }
    return file;
}

} // namespace velkin
