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

// A character as a code point: where wchar_t has 16 bits a surrogate pair is joined, and a lone
// surrogate stays what it is. Moves at past what it took.
char32_t CodePointAt(std::wstring_view text, std::size_t& at) {
    const auto unit = static_cast<char32_t>(text[at++]);
    if constexpr (sizeof(wchar_t) == 2) {
        if (unit >= 0xD800 && unit <= 0xDBFF && at < text.size()) {
            const auto next = static_cast<char32_t>(text[at]);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                ++at;
                return 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
            }
        }
    }
    return unit;
}

// Copies the ASCII characters the text starts with, eight bytes of it at a time while it can,
// and tells how many: most of a list's names are ASCII, and a character at a time costs a branch
// each.
std::size_t CopyAscii(std::wstring_view text, char* out) {
    constexpr std::size_t kUnits = sizeof(std::uint64_t) / sizeof(wchar_t);
    std::size_t at = 0;
    for (; at + kUnits <= text.size(); at += kUnits) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + at, sizeof(word));
        if constexpr (kUnits == 4) {
            if ((word & 0xFF80FF80FF80FF80u) != 0) {
                break;
            }
            const auto packed =
                static_cast<std::uint32_t>((word & 0xFF) | ((word >> 8) & 0xFF00) |
                                           ((word >> 16) & 0xFF0000) | ((word >> 24) & 0xFF000000));
            std::memcpy(out + at, &packed, sizeof(packed));
        } else {
            if ((word & 0xFFFFFF80FFFFFF80u) != 0) {
                break;
            }
            const auto packed = static_cast<std::uint16_t>((word & 0xFF) | ((word >> 24) & 0xFF00));
            std::memcpy(out + at, &packed, sizeof(packed));
        }
    }
    for (; at < text.size() && static_cast<std::uint32_t>(text[at]) < 0x80; ++at) {
        out[at] = static_cast<char>(text[at]);
    }
    return at;
}

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

// Whether a reader that trims the line and then takes enclosing quotes off would read another
// path: one that starts or ends with a blank, or starts and ends with a quote.
bool NeedsQuotes(const ListFileLine& line) {
    const std::wstring_view first = line.folder.empty() ? line.fileName : line.folder;
    const std::wstring_view last = line.fileName.empty() ? line.folder : line.fileName;
    if (first.empty()) {
        return false;
    }
    const bool quoted = line.folder.size() + line.fileName.size() >= 2 && first.front() == L'"' &&
                        last.back() == L'"';
    return quoted || IsEdgeBlank(first.front()) || IsEdgeBlank(last.back());
}

std::string Encoded(const Encoder& encoder, std::wstring_view text) {
    std::string bytes(encoder.MostBytesPerUnit() * text.size(), '\0');
    bytes.resize(encoder.Write(text, bytes.data()).value_or(0));
    return bytes;
}

} // namespace

std::optional<std::size_t> Utf16Encoder::Write(std::wstring_view text, char* out) const {
    char* const start = out;
    const auto unit = [&](char32_t u) {
        const auto low = static_cast<char>(u & 0xFF);
        const auto high = static_cast<char>((u >> 8) & 0xFF);
        *out++ = bigEndian_ ? high : low;
        *out++ = bigEndian_ ? low : high;
    };
    for (const wchar_t c : text) {
        const auto code = static_cast<char32_t>(c);
        if (code > 0xFFFF) {
            unit(0xD800 + ((code - 0x10000) >> 10));
            unit(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            unit(code);
        }
    }
    return static_cast<std::size_t>(out - start);
}

std::optional<std::size_t> Utf8Encoder::Write(std::wstring_view text, char* out) const {
    char* const start = out;
    for (std::size_t at = 0; at < text.size();) {
        if (static_cast<std::uint32_t>(text[at]) < 0x80) {
            const std::size_t ascii = CopyAscii(text.substr(at), out);
            at += ascii;
            out += ascii;
            continue;
        }
        const char32_t code = CodePointAt(text, at);
        if (code < 0x800) {
            *out++ = static_cast<char>(0xC0 | (code >> 6));
            *out++ = static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            if (code >= 0xD800 && code <= 0xDFFF) {
                return std::nullopt;
            }
            *out++ = static_cast<char>(0xE0 | (code >> 12));
            *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x110000) {
            *out++ = static_cast<char>(0xF0 | (code >> 18));
            *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (code & 0x3F));
        } else {
            return std::nullopt;
        }
    }
    return static_cast<std::size_t>(out - start);
}

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

bool WriteLines(const ListFileLines& lines, const Encoder& encoder, bool quoteForTrimming,
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
        const bool quoted = quoteForTrimming && NeedsQuotes(line);
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
