#include "core/seven_zip.h"

#include <algorithm>
#include <array>

#include "core/text.h"

namespace velkin::standin {
namespace {

enum class Kind { Simple, Minus, Char, Text };

struct SwitchName {
    std::wstring_view name;
    Kind kind;
    bool many = false;       // may come more than once
    std::size_t minimum = 0; // characters after the name, for Text
};

// The family's switch names and kinds (its command-line parser's table).
constexpr std::array<SwitchName, 64> kSwitches = {{
    {L"?", Kind::Simple},
    {L"h", Kind::Simple},
    {L"-help", Kind::Simple},
    {L"ba", Kind::Simple},
    {L"bd", Kind::Simple},
    {L"bt", Kind::Simple},
    {L"bb", Kind::Text},
    {L"bso", Kind::Char},
    {L"bse", Kind::Char},
    {L"bsp", Kind::Char},
    {L"y", Kind::Simple},
    {L"ad", Kind::Simple},
    {L"ao", Kind::Char},
    {L"t", Kind::Text, false, 1},
    {L"stx", Kind::Text, true, 1},
    {L"m", Kind::Text, true, 1},
    {L"o", Kind::Text, false, 1},
    {L"w", Kind::Text},
    {L"i", Kind::Text, true, 2},
    {L"x", Kind::Text, true, 2},
    {L"ai", Kind::Text, true, 2},
    {L"ax", Kind::Text, true, 2},
    {L"an", Kind::Simple},
    {L"u", Kind::Text, true, 1},
    {L"v", Kind::Text, true, 1},
    {L"r", Kind::Char},
    {L"stm", Kind::Text},
    {L"sfx", Kind::Text},
    {L"seml", Kind::Text},
    {L"scrc", Kind::Text, true},
    {L"shd", Kind::Text, false, 1},
    {L"smemx", Kind::Text},
    {L"si", Kind::Text},
    {L"so", Kind::Simple},
    {L"slp", Kind::Text},
    {L"scs", Kind::Text},
    {L"scc", Kind::Text},
    {L"slt", Kind::Simple},
    {L"slf", Kind::Text, false, 1},
    {L"slsl", Kind::Minus},
    {L"slmu", Kind::Minus},
    {L"ssp", Kind::Simple},
    {L"ssw", Kind::Simple},
    {L"sse", Kind::Simple},
    {L"ssc", Kind::Minus},
    {L"sa", Kind::Char},
    {L"spm", Kind::Text},
    {L"spd", Kind::Simple},
    {L"spe", Kind::Minus},
    {L"spf", Kind::Text},
    {L"snh", Kind::Minus},
    {L"snld", Kind::Text},
    {L"snl", Kind::Minus},
    {L"sni", Kind::Simple},
    {L"snoi", Kind::Minus},
    {L"snon", Kind::Minus},
    {L"snz", Kind::Text},
    {L"sns", Kind::Minus},
    {L"snr", Kind::Simple},
    {L"snc", Kind::Simple},
    {L"snt", Kind::Minus},
    {L"sdel", Kind::Simple},
    {L"stl", Kind::Simple},
    {L"p", Kind::Text},
}};

// The types the family can make, and the extension each registers first.
struct ArchiveKind {
    std::wstring_view type;
    std::wstring_view extension;
};
constexpr std::array<ArchiveKind, 7> kTypes = {{{L"7z", L"7z"},
                                                {L"zip", L"zip"},
                                                {L"tar", L"tar"},
                                                {L"wim", L"wim"},
                                                {L"gzip", L"gz"},
                                                {L"bzip2", L"bz2"},
                                                {L"xz", L"xz"}}};

std::vector<std::wstring> SplitAsTheFamily(std::wstring_view text) {
    std::vector<std::wstring> words;
    std::wstring word;
    bool quoted = false;
    bool inWord = false;
    for (const wchar_t c : text) {
        if ((c == L' ' || c == L'\t') && !quoted) {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
            continue;
        }
        inWord = true;
        if (c == L'"') {
            quoted = !quoted;
        } else {
            word += c;
        }
    }
    if (inWord) {
        words.push_back(std::move(word));
    }
    return words;
}

bool IsWildcardSwitch(std::wstring_view name) {
    return name == L"i" || name == L"x" || name == L"ai" || name == L"ax";
}

const SwitchName* LongestName(std::wstring_view body) {
    const SwitchName* found = nullptr;
    for (const auto& known : kSwitches) {
        if ((found == nullptr || known.name.size() > found->name.size()) &&
            StartsWithAsciiNoCase(body, known.name)) {
            found = &known;
        }
    }
    return found;
}

// A code page number as -scs gives it, or nothing for a character set the family refuses.
std::optional<std::uint32_t> CharsetCodePage(std::wstring_view charset) {
    long long number = 0;
    if (!charset.empty() && charset.find_first_not_of(L"0123456789") == std::wstring_view::npos &&
        charset.size() <= 9 && ParseDecimal(charset, number) && number < 0x10000) {
        return static_cast<std::uint32_t>(number);
    }
    const std::wstring name = LowerAscii(charset);
    if (name == L"utf-8") {
        return 65001;
    }
    if (name == L"win") {
        return 0;
    }
    if (name == L"dos") {
        return 1;
    }
    if (name == L"utf-16le") {
        return 1200;
    }
    if (name == L"utf-16be") {
        return 1201;
    }
    return std::nullopt;
}

// What one known switch does in the stand-in.
void Apply(const SwitchName& known, std::wstring_view rest, const std::wstring& word,
           SevenZipSwitches& read, SwitchEffect& effect) {
    if (known.name == L"t") {
        read.type = std::wstring(rest);
        effect.action = SwitchAction::Applied;
        effect.detail = L"archive type " + LowerAscii(rest);
    } else if (known.name == L"scs") {
        if (const auto codePage = CharsetCodePage(rest)) {
            read.listCodePage = *codePage;
            effect.action = SwitchAction::Applied;
            effect.detail = L"list file read in code page " + std::to_wstring(*codePage);
        } else {
            read.errors.push_back(L"unsupported charset: " + word);
        }
    } else if (known.name == L"sdel") {
        read.deleteAfter = true;
        effect.action = SwitchAction::NotActedOn;
        effect.detail = L"files not deleted";
    } else if (known.name == L"m" && StartsWithAsciiNoCase(rest, L"x")) {
        std::wstring_view level = rest.substr(1);
        if (!level.empty() && level.front() == L'=') {
            level.remove_prefix(1);
        }
        if (level.size() == 1 && level[0] >= L'0' && level[0] <= L'9') {
            read.plan.compressionLevel = level[0] - L'0';
            effect.action = SwitchAction::Applied;
            effect.detail = L"deflate level " + std::to_wstring(read.plan.compressionLevel);
        } else {
            effect.detail = L"level not understood by the stand-in";
        }
    } else if (known.name == L"m" && EqualsAsciiNoCase(rest, L"cu=on")) {
        effect.action = SwitchAction::Applied;
        effect.detail = L"names stored in UTF-8, flagged (the stand-in always does)";
    } else {
        effect.detail = L"a switch of the family the stand-in does not act on";
    }
}

} // namespace

bool IsSevenZipProgram(std::wstring_view programPath) {
    const auto separator = programPath.find_last_of(L"\\/:");
    const std::wstring name = LowerAscii(
        separator == std::wstring_view::npos ? programPath : programPath.substr(separator + 1));
    return name == L"7z.exe" || name == L"7za.exe" || name == L"7zz.exe" || name == L"7zg.exe" ||
           name == L"nanazipc.exe" || name == L"nanazipg.exe";
}

std::uint32_t SevenZipExitCode(std::uint32_t standInCode) {
    switch (standInCode) {
    case 0:
    case 1:
    case 2:
        return standInCode;
    case 3:
    case 4:
        return 7;
    default:
        return 2;
    }
}

SevenZipSwitches InterpretSevenZipSwitches(std::wstring_view switches) {
    SevenZipSwitches read;
    read.plan.excludeBaseFolder = true; // the family stores a listed item under its own name
    read.plan.compressionLevel = 6;
    std::vector<const SwitchName*> seen;
    bool stopped = false;
    for (const std::wstring& word : SplitAsTheFamily(switches)) {
        SwitchEffect effect{word, SwitchAction::Ignored, L""};
        if (!stopped && word == L"--") {
            stopped = true;
            effect.detail = L"no switches after it";
            read.plan.effects.push_back(std::move(effect));
            continue;
        }
        if (stopped || word.empty() || word[0] != L'-') {
            read.errors.push_back(L"not a switch, taken for the archive's name: \"" + word + L"\"");
            read.plan.effects.push_back(std::move(effect));
            continue;
        }
        const std::wstring_view body = std::wstring_view(word).substr(1);
        const SwitchName* known = LongestName(body);
        if (known == nullptr) {
            read.errors.push_back(L"unknown switch: " + word);
            effect.detail = L"unknown to the family";
            read.plan.effects.push_back(std::move(effect));
            continue;
        }
        const std::wstring_view rest = body.substr(known->name.size());
        bool fits = true;
        switch (known->kind) {
        case Kind::Simple:
            fits = rest.empty();
            break;
        case Kind::Minus:
            fits = rest.empty() || rest == L"-";
            break;
        case Kind::Char:
            fits = rest.size() <= 1;
            break;
        case Kind::Text:
            fits = rest.size() >= known->minimum;
            break;
        }
        if (fits && IsWildcardSwitch(known->name)) {
            // -i, -x, -ai, -ax: an optional recursion mark, then "!" or "@" (so -ioff is an
            // error, not WinRAR's power-off switch).
            std::wstring_view marked = rest;
            if (!marked.empty() && (marked[0] == L'r' || marked[0] == L'R')) {
                marked.remove_prefix(
                    marked.size() > 1 && (marked[1] == L'-' || marked[1] == L'0') ? 2 : 1);
            }
            fits = !marked.empty() && (marked[0] == L'!' || marked[0] == L'@');
        }
        if (!fits) {
            read.errors.push_back(L"switch of the wrong form: " + word);
        } else if (!known->many && std::find(seen.begin(), seen.end(), known) != seen.end()) {
            read.errors.push_back(L"switch given twice: " + word);
        } else {
            seen.push_back(known);
            Apply(*known, rest, word, read, effect);
        }
        read.plan.effects.push_back(std::move(effect));
    }
    return read;
}

std::wstring SevenZipArchiveType(const std::optional<std::wstring>& type,
                                 std::wstring_view archivePath) {
    if (type) {
        const std::wstring lower = LowerAscii(*type);
        for (const auto& known : kTypes) {
            if (lower == known.type) {
                return lower;
            }
        }
        return {};
    }
    const auto dot = archivePath.find_last_of(L".\\/");
    if (dot != std::wstring_view::npos && archivePath[dot] == L'.') {
        const std::wstring extension = LowerAscii(archivePath.substr(dot + 1));
        for (const auto& known : kTypes) {
            if (extension == known.extension) {
                return std::wstring(known.type);
            }
        }
    }
    return L"7z";
}

bool IsSingleFileType(std::wstring_view type) {
    return type == L"gzip" || type == L"bzip2" || type == L"xz";
}

DecodedList DecodeSevenZipListFile(std::string_view bytes, std::uint32_t codePage,
                                   const CodePageDecoder& decode) {
    DecodedList list;
    std::wstring text;
    if (codePage == 1200 || codePage == 1201) {
        list.encoding = codePage == 1200 ? ListEncoding::Utf16Le : ListEncoding::Utf16Be;
        if (bytes.size() % 2 != 0) {
            list.problems.push_back(L"odd number of bytes in UTF-16 text");
            return list;
        }
        for (std::size_t at = 0; at < bytes.size(); at += 2) {
            const auto first = static_cast<unsigned char>(bytes[at]);
            const auto second = static_cast<unsigned char>(bytes[at + 1]);
            const auto unit = static_cast<wchar_t>(codePage == 1200 ? first | (second << 8)
                                                                    : (first << 8) | second);
            if (unit == 0) {
                list.problems.push_back(L"NUL character");
                return list;
            }
            text += unit;
        }
    } else {
        if (bytes.find('\0') != std::string_view::npos) {
            list.problems.push_back(L"NUL byte");
            return list;
        }
        if (codePage == 65001) {
            list.encoding = ListEncoding::Utf8;
            if (!FromUtf8(bytes, text)) {
                list.problems.push_back(
                    L"bytes not valid UTF-8 (no -scs switch names another set)");
                return list;
            }
        } else {
            list.encoding = ListEncoding::CodePage;
            auto decoded = bytes.empty() ? std::optional<std::wstring>(std::wstring())
                                         : decode(bytes, codePage);
            if (!decoded) {
                list.problems.push_back(L"bytes not valid in code page " +
                                        std::to_wstring(codePage));
                return list;
            }
            text = std::move(*decoded);
        }
    }
    std::size_t at = 0;
    while (at < text.size() && text[at] == L'\uFEFF') {
        ++at;
    }
    if (at != 0) {
        list.notes.push_back(L"byte-order mark skipped");
    }
    std::size_t trimmed = 0;
    std::size_t unquoted = 0;
    while (at <= text.size()) {
        const auto end = std::min(text.find_first_of(L"\r\n", at), text.size());
        std::wstring_view line = std::wstring_view(text).substr(at, end - at);
        const auto first = line.find_first_not_of(L" \t\n");
        const auto last = line.find_last_not_of(L" \t\n");
        const std::wstring_view kept = first == std::wstring_view::npos
                                           ? std::wstring_view()
                                           : line.substr(first, last - first + 1);
        trimmed += kept.size() != line.size() ? 1 : 0;
        line = kept;
        if (line.size() >= 2 && line.front() == L'"' && line.back() == L'"') {
            line = line.substr(1, line.size() - 2);
            ++unquoted;
        }
        if (!line.empty()) {
            list.entries.emplace_back(line);
        }
        at = end + 1;
    }
    if (trimmed != 0) {
        list.notes.push_back(std::to_wstring(trimmed) + L" line(s) trimmed of blanks");
    }
    if (unquoted != 0) {
        list.notes.push_back(std::to_wstring(unquoted) + L" line(s) taken out of quotes");
    }
    if (list.entries.empty()) {
        list.notes.push_back(L"no entries");
    }
    return list;
}

} // namespace velkin::standin
