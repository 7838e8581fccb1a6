#include "runner/archiver_command.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>

#include "base/message_texts.h"
#include "base/utf16.h"
#include "base/velkin_error.h"

namespace velkin {
namespace {

// The ANSI bytes of the folders of a list's lines. The rows of a drop share each folder's text,
// and a drop's lines come from one folder or take turns among a few: the last few folders met are
// kept converted, found by where their text lies.
class FolderBytes {
public:
    explicit FolderBytes(const CodePage& codePage) : codePage_(codePage) {}

    // Nothing when the folder has no ANSI form.
    const std::string* Of(std::wstring_view folder) {
        for (auto& known : recent_) {
            if (known.used && known.text.data() == folder.data() &&
                known.text.size() == folder.size()) {
                return known.ansi ? &known.bytes : nullptr;
            }
        }
        Known& known = recent_[next_];
        next_ = (next_ + 1) % recent_.size();
        known.used = true;
        known.text = folder;
        known.bytes.resize(CodePage::kMostBytesPerUnit * folder.size());
        const auto written = codePage_.WriteAnsi(folder, known.bytes.data());
        known.ansi = written.has_value();
        known.bytes.resize(written.value_or(0));
        return known.ansi ? &known.bytes : nullptr;
    }

private:
    struct Known {
        bool used = false;
        std::wstring_view text;
        std::string bytes;
        bool ansi = false;
    };
    const CodePage& codePage_;
    std::array<Known, 4> recent_;
    std::size_t next_ = 0;
};

// A folder's bytes, a word at a time: calling the C library's memmove for every line of a list
// costs more than the copy itself under Wine.
void CopyBytes(const std::string& from, char* to) {
    constexpr std::size_t kWord = sizeof(std::uint64_t);
    std::size_t at = 0;
    for (; at + kWord <= from.size(); at += kWord) {
        std::memcpy(to + at, from.data() + at, kWord);
    }
    for (; at < from.size(); ++at) {
        to[at] = from[at];
    }
}

// The ANSI lines, or nothing when some path has no ANSI form. They are put together in a buffer
// of their own and added to the file a block at a time: a million lines, few copies.
std::optional<std::string> AnsiLines(const ListFileLines& lines, const CodePage& codePage) {
    constexpr std::size_t kBlock = 1 << 16;
    const std::size_t count = lines.Count();
    std::string bytes;
    std::vector<char> block(kBlock);
    std::size_t used = 0;
    // The file's size is foreseen from the lines so far, with a quarter to spare: counting it
    // beforehand would read every row once more. Should the guess fall short, the room at least
    // doubles, so that the bytes are copied only a few times.
    const auto addBlock = [&](std::size_t linesDone) {
        if (bytes.capacity() - bytes.size() < used) {
            const std::size_t sofar = bytes.size() + used;
            const std::size_t foreseen = sofar + sofar / linesDone * (count - linesDone) / 4 * 5;
            bytes.reserve(std::max(foreseen, 2 * bytes.capacity()));
        }
        bytes.append(block.data(), used);
        used = 0;
    };
    FolderBytes folders(codePage);
    for (std::size_t n = 0; n < count; ++n) {
        const ListFileLine line = lines.At(n);
        const std::string* folder = folders.Of(line.folder);
        if (folder == nullptr) {
            return std::nullopt;
        }
        const std::size_t most =
            folder->size() + CodePage::kMostBytesPerUnit * line.fileName.size() + 2;
        if (block.size() - used < most) {
            addBlock(n);
            block.resize(std::max(block.size(), most));
        }
        CopyBytes(*folder, block.data() + used);
        used += folder->size();
        const auto name = codePage.WriteAnsi(line.fileName, block.data() + used);
        if (!name) {
            return std::nullopt;
        }
        used += *name;
        block[used++] = '\r';
        block[used++] = '\n';
    }
    addBlock(count);
    return bytes;
}

} // namespace

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

ListFile BuildListFile(const ListFileLines& lines, const CodePage& codePage) {
    if (auto ansi = AnsiLines(lines, codePage)) {
        return ListFile{ListFileEncoding::Ansi, std::move(*ansi)};
    }
    const std::size_t count = lines.Count();
    std::size_t characters = 0;
    for (std::size_t n = 0; n < count; ++n) {
        const ListFileLine line = lines.At(n);
        characters += line.folder.size() + line.fileName.size() + 2;
    }
    ListFile file{ListFileEncoding::Utf16, "\xFF\xFE"};
    file.bytes.reserve(2 + 2 * characters);
    for (std::size_t n = 0; n < count; ++n) {
        const ListFileLine line = lines.At(n);
        AppendUtf16Le(file.bytes, line.folder);
        AppendUtf16Le(file.bytes, line.fileName);
        AppendUtf16Le(file.bytes, L"\r\n");
    }
    return file;
}

ListFile BuildListFile(const std::vector<ListFileLine>& lines, const CodePage& codePage) {
    class Listed final : public ListFileLines {
    public:
        explicit Listed(const std::vector<ListFileLine>& lines) : lines_(lines) {}
        std::size_t Count() const override { return lines_.size(); }
        ListFileLine At(std::size_t n) const override { return lines_[n]; }

    private:
        const std::vector<ListFileLine>& lines_;
    };
    return BuildListFile(Listed(lines), codePage);
}

} // namespace velkin
