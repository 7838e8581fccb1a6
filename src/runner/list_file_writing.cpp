#include "runner/list_file_writing.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace velkin::list_file {
namespace {

// Big enough that the sink is called seldom, small enough to stay in the processor's cache
// between being filled and being written.
constexpr std::size_t kBlockSize = 1 << 18;

// The bytes of the folders of a list's lines. The rows of a drop share each folder's text, and a
// drop's lines come from one folder or take turns among a few: the last few folders met are kept
// converted, found by where their text lies.
class FolderBytes {
public:
    explicit FolderBytes(const Encoder& encoder) : encoder_(encoder) {}

    // Nothing when the folder has no form in the encoding.
    const std::string* Of(std::wstring_view folder) {
        for (auto& known : recent_) {
            if (known.used && known.text.data() == folder.data() &&
                known.text.size() == folder.size()) {
                return known.valid ? &known.bytes : nullptr;
            }
        }
        Known& known = recent_[next_];
        next_ = (next_ + 1) % recent_.size();
        known.used = true;
        known.text = folder;
        known.bytes.resize(encoder_.MostBytesPerUnit() * folder.size());
        const auto written = encoder_.Write(folder, known.bytes.data());
        known.valid = written.has_value();
        known.bytes.resize(written.value_or(0));
        return known.valid ? &known.bytes : nullptr;
    }

private:
    struct Known {
        bool used = false;
        std::wstring_view text;
        std::string bytes;
        bool valid = false;
    };
    const Encoder& encoder_;
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

bool IsEdgeBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// Whether the reader would read another path than the line's.
bool NeedsQuotes(const ListFileLine& line, LineTrimming trimming) {
    const std::wstring_view first = line.folder.empty() ? line.fileName : line.folder;
    const std::wstring_view last = line.fileName.empty() ? line.folder : line.fileName;
    if (first.empty()) {
        return false;
    }
    if (IsEdgeBlank(last.back())) {
        return true;
    }
    if (trimming == LineTrimming::End) {
        return false;
    }
    const bool quoted = line.folder.size() + line.fileName.size() >= 2 && first.front() == L'"' &&
                        last.back() == L'"';
    return quoted || IsEdgeBlank(first.front());
}

std::string Encoded(const Encoder& encoder, std::wstring_view text) {
    std::string bytes(encoder.MostBytesPerUnit() * text.size(), '\0');
    bytes.resize(encoder.Write(text, bytes.data()).value_or(0));
    return bytes;
}

} // namespace

BlockWriter::BlockWriter(ByteSink& sink) : sink_(sink), block_(kBlockSize) {}

char* BlockWriter::Room(std::size_t most) {
    if (block_.size() - used_ < most) {
        Flush();
        if (block_.size() < most) {
            block_.resize(most);
        }
    }
    return block_.data() + used_;
}

void BlockWriter::Write(std::string_view bytes) {
    std::copy(bytes.begin(), bytes.end(), Room(bytes.size()));
    Wrote(bytes.size());
}

void BlockWriter::Flush() {
    if (used_ != 0) {
        sink_.Append(std::string_view(block_.data(), used_));
        used_ = 0;
    }
}

void BlockWriter::StartOver() {
    used_ = 0;
    sink_.StartOver();
}

bool WriteLines(const ListFileLines& lines, const Encoder& encoder, LineTrimming trimming,
                BlockWriter& out) {
    const std::string lineEnd = Encoded(encoder, L"\r\n");
    const std::string quote = Encoded(encoder, L"\"");
    FolderBytes folders(encoder);
    const std::size_t count = lines.Count();
    for (std::size_t n = 0; n < count; ++n) {
        const ListFileLine line = lines.At(n);
        const std::string* folder = folders.Of(line.folder);
        if (folder == nullptr) {
            return false;
        }
        const bool quoted = NeedsQuotes(line, trimming);
        char* const start =
            out.Room(folder->size() + encoder.MostBytesPerUnit() * line.fileName.size() +
                     2 * quote.size() + lineEnd.size());
        char* at = start;
        if (quoted) {
            at = std::copy(quote.begin(), quote.end(), at);
        }
        CopyBytes(*folder, at);
        at += folder->size();
        const auto name = encoder.Write(line.fileName, at);
        if (!name) {
            return false;
        }
        at += *name;
        if (quoted) {
            at = std::copy(quote.begin(), quote.end(), at);
        }
        for (const char c : lineEnd) {
            *at++ = c;
        }
        out.Wrote(static_cast<std::size_t>(at - start));
    }
    return true;
}

} // namespace velkin::list_file
