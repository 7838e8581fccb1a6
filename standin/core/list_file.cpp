#include "core/list_file.h"

namespace velkin::standin {
namespace {

constexpr std::size_t kShownLineLimit = 32; // problems name at most this many lines each

std::wstring LineLabel(std::size_t index) {
    return L"line " + std::to_wstring(index + 1);
}

// Splits at LF and drops the CR before it, noting how the lines were ended.
template <class Char>
std::vector<std::basic_string_view<Char>> SplitLines(std::basic_string_view<Char> text,
                                                     DecodedList& list) {
    std::vector<std::basic_string_view<Char>> lines;
    bool bareLf = false;
    std::size_t start = 0;
    while (start < text.size()) {
        auto lf = text.find(Char('\n'), start);
        const bool ended = lf != std::basic_string_view<Char>::npos;
        if (!ended) {
            lf = text.size();
            list.notes.push_back(L"last line not ended by CR LF");
        }
        auto line = text.substr(start, lf - start);
        if (ended) {
            if (!line.empty() && line.back() == Char('\r')) {
                line.remove_suffix(1);
            } else {
                bareLf = true;
            }
        }
        lines.push_back(line);
        start = lf + 1;
    }
    if (bareLf) {
        list.notes.push_back(L"line ended by LF without CR");
    }
    return lines;
}

// WinRAR trims blanks and tabs at a line's end, then takes off one pair of quotes that encloses
// what is left (a lone quote being such a pair). A line it trims would name another file than
// its writer meant, so the trimming is noted; quotes are how a line keeps its blanks.
void ReadAsWinRar(DecodedList& list, std::size_t index, std::wstring& text) {
    std::size_t end = text.size();
    while (end > 0 && (text[end - 1] == L' ' || text[end - 1] == L'\t')) {
        --end;
    }
    if (end != text.size()) {
        list.notes.push_back(LineLabel(index) + L": blanks at the end trimmed");
        text.resize(end);
    }
    if (!text.empty() && text.front() == L'"' && text.back() == L'"') {
        text = text.size() < 2 ? std::wstring() : text.substr(1, text.size() - 2);
    }
}

void AddEntry(DecodedList& list, std::size_t index, std::wstring text, std::size_t& emptyLines) {
    ReadAsWinRar(list, index, text);
    if (text.empty()) {
        ++emptyLines;
        return;
    }
    if (text.find(L'\r') != std::wstring::npos) {
        list.notes.push_back(LineLabel(index) + L": CR inside the line kept");
    }
    if (text.find(L'\0') != std::wstring::npos) {
        list.problems.push_back(LineLabel(index) + L": NUL character");
        return;
    }
    list.entries.push_back(std::move(text));
}

void DecodeUtf16(std::string_view bytes, DecodedList& list) {
    if (bytes.size() % 2 != 0) {
        list.problems.push_back(L"odd number of bytes in UTF-16LE text: last byte dropped");
    }
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                       (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    const auto lines = SplitLines(std::u16string_view(units), list);
    std::size_t emptyLines = 0;
    std::size_t badLines = 0;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const auto line = lines[index];
        std::wstring text;
        bool valid = true;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char16_t unit = line[i];
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < line.size() && line[i + 1] >= 0xDC00 &&
                line[i + 1] <= 0xDFFF) {
                if constexpr (sizeof(wchar_t) == 2) {
                    text += static_cast<wchar_t>(unit);
                    text += static_cast<wchar_t>(line[i + 1]);
                } else {
                    text += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) +
                                                 (line[i + 1] - 0xDC00));
                }
                ++i;
                continue;
            }
            if (unit >= 0xD800 && unit <= 0xDFFF) {
                valid = false;
            }
            text += static_cast<wchar_t>(unit);
        }
        if (!valid) {
            if (++badLines <= kShownLineLimit) {
                list.problems.push_back(LineLabel(index) + L": unpaired UTF-16 surrogate");
            }
            continue;
        }
        AddEntry(list, index, std::move(text), emptyLines);
    }
    if (emptyLines != 0) {
        list.notes.push_back(std::to_wstring(emptyLines) + L" empty line(s) skipped");
    }
    if (badLines > kShownLineLimit) {
        list.problems.push_back(std::to_wstring(badLines) + L" lines with unpaired surrogates");
    }
}

void DecodeAnsi(std::string_view bytes, const AnsiDecoder& decodeAnsi, DecodedList& list) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        list.notes.push_back(L"starts with a UTF-8 byte-order mark, read as ANSI all the same");
    } else if (bytes.substr(0, 2) == "\xFE\xFF") {
        list.notes.push_back(L"starts with a UTF-16BE byte-order mark, read as ANSI all the same");
    }
    // Lead and trail bytes of the double-byte code pages are all above 0x3F, so a CR or LF
    // byte always is a line end.
    const auto lines = SplitLines(bytes, list);
    std::size_t emptyLines = 0;
    std::size_t badLines = 0;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        if (lines[index].find('\0') != std::string_view::npos) {
            if (++badLines <= kShownLineLimit) {
                list.problems.push_back(LineLabel(index) + L": NUL byte");
            }
            continue;
        }
        auto text = lines[index].empty() ? std::optional<std::wstring>(std::wstring())
                                         : decodeAnsi(lines[index]);
        if (!text) {
            if (++badLines <= kShownLineLimit) {
                list.problems.push_back(LineLabel(index) +
                                        L": bytes not valid in the ANSI code page");
            }
            continue;
        }
        AddEntry(list, index, std::move(*text), emptyLines);
    }
    if (emptyLines != 0) {
        list.notes.push_back(std::to_wstring(emptyLines) + L" empty line(s) skipped");
    }
    if (badLines > kShownLineLimit) {
        list.problems.push_back(std::to_wstring(badLines) + L" lines could not be decoded");
    }
}

} // namespace

const wchar_t* ListEncodingName(ListEncoding encoding) {
    switch (encoding) {
    case ListEncoding::Utf16Le:
        return L"utf16le";
    case ListEncoding::Utf8:
        return L"utf8";
    case ListEncoding::Utf16Be:
        return L"utf16be";
    case ListEncoding::CodePage:
        return L"codepage";
    case ListEncoding::Ansi:
        break;
    }
    return L"ansi";
}

DecodedList DecodeListFile(std::string_view bytes, const AnsiDecoder& decodeAnsi) {
    DecodedList list;
    if (bytes.substr(0, 2) == "\xFF\xFE") {
        list.encoding = ListEncoding::Utf16Le;
        DecodeUtf16(bytes.substr(2), list);
    } else {
        DecodeAnsi(bytes, decodeAnsi, list);
    }
    if (list.entries.empty() && list.problems.empty()) {
        list.notes.push_back(L"no entries");
    }
    return list;
}

} // namespace velkin::standin
