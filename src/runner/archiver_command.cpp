#include "runner/archiver_command.h"

#include "base/message_texts.h"
#include "base/velkin_error.h"
#include "runner/list_file_writing.h"

namespace velkin {

std::wstring BuildArchiverCommandLine(const ArchiverInvocation& invocation) {
    // A quote inside a quoted part would end it early: the rest of the path would become
    // switches of the archiver's, and the list file would go unread. No path Velkin takes in
    // holds one; a location written into the settings by hand might.
    for (const auto* part :
         {&invocation.archiverPath, &invocation.archivePath, &invocation.listFilePath}) {
        if (part->find(L'"') != std::wstring::npos) {
            throw Error(std::wstring(text::kArchiverStartFailed));
        }
    }
    std::wstring line;
    line.reserve(invocation.archiverPath.size() + invocation.switches.size() +
                 invocation.archivePath.size() + invocation.listFilePath.size() +
                 invocation.addedSwitches.size() + 16);
    line += L'"';
    line += invocation.archiverPath;
    line += L"\" A ";
    line += invocation.switches;
    if (!invocation.addedSwitches.empty()) {
        line += L' ';
        line += invocation.addedSwitches;
    }
    line += L" \"";
    line += invocation.archivePath;
    line += L"\" \"@";
    line += invocation.listFilePath;
    line += L'"';
    return line;
}

ListFileEncoding WriteListFile(const ListFileLines& lines, const CodePage& codePage,
                               ByteSink& sink) {
    list_file::BlockWriter out(sink);
    if (list_file::WriteLines(lines, list_file::CodePageEncoder(codePage),
                              list_file::LineTrimming::End, out)) {
        out.Flush();
        return ListFileEncoding::Ansi;
    }
    out.StartOver();
    out.Write("\xFF\xFE");
    list_file::WriteLines(lines, list_file::Utf16Encoder(false), list_file::LineTrimming::End, out);
    out.Flush();
    return ListFileEncoding::Utf16;
}

ListFile BuildListFile(const ListFileLines& lines, const CodePage& codePage) {
    StringSink sink;
    const ListFileEncoding encoding = WriteListFile(lines, codePage, sink);
    return ListFile{encoding, std::move(sink.bytes())};
}

ListFile BuildListFile(const std::vector<ListFileLine>& lines, const CodePage& codePage) {
    return BuildListFile(ListFileLinesIn(lines), codePage);
}

} // namespace velkin
