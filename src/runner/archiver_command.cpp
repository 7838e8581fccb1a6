#include "runner/archiver_command.h"

#include <algorithm>
#include <array>
#include <optional>

#include "base/utf16.h"

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

// The ANSI lines, or nothing when some path has no ANSI form. They are put together in a buffer
// of their own and added to the file a block at a time: a million lines, few copies.
std::optional<std::string> AnsiLines(const std::vector<ListFileLine>& lines,
                                     const CodePage& codePage, std::size_t characters) {
    constexpr std::size_t kBlock = 1 << 16;
    std::string bytes;
    bytes.reserve(characters + characters / 4);
    std::vector<char> block(kBlock);
    std::size_t used = 0;
    FolderBytes folders(codePage);
    for (const auto& line : lines) {
        const std::string* folder = folders.Of(line.folder);
        if (folder == nullptr) {
            return std::nullopt;
        }
        const std::size_t most =
            folder->size() + CodePage::kMostBytesPerUnit * line.fileName.size() + 2;
        if (block.size() - used < most) {
            bytes.append(block.data(), used);
            used = 0;
            block.resize(std::max(block.size(), most));
        }
        std::copy(folder->begin(), folder->end(), block.data() + used);
        used += folder->size();
        const auto name = codePage.WriteAnsi(line.fileName, block.data() + used);
        if (!name) {
            return std::nullopt;
        }
        used += *name;
        block[used++] = '\r';
        block[used++] = '\n';
    }
    bytes.append(block.data(), used);
    return bytes;
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

ListFile BuildListFile(const std::vector<ListFileLine>& lines, const CodePage& codePage) {
    std::size_t characters = 0;
    for (const auto& line : lines) {
        characters += line.folder.size() + line.fileName.size() + 2;
    }
    if (auto ansi = AnsiLines(lines, codePage, characters)) {
        return ListFile{ListFileEncoding::Ansi, std::move(*ansi)};
    }
    ListFile file{ListFileEncoding::Utf16, "\xFF\xFE"};
    file.bytes.reserve(2 + 2 * characters);
    for (const auto& line : lines) {
        AppendUtf16Le(file.bytes, line.folder);
        AppendUtf16Le(file.bytes, line.fileName);
        AppendUtf16Le(file.bytes, L"\r\n");
    }
    return file;
}

} // namespace velkin
