#include "runner/archiver_command.h"

#include "base/utf16.h"

namespace velkin {

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
                AppendUtf16Le(file.bytes, each);
                AppendUtf16Le(file.bytes, L"\r\n");
            }
            return file;
        }
        file.bytes += *ansi;
        file.bytes += "\r\n";
    }
    return file;
}

} // namespace velkin
