#include "runner/seven_zip_list_file.h"

#include <cstdint>
#include <memory>
#include <string>

#include "base/ascii_case.h"
#include "runner/list_file_writing.h"
#include "settings/seven_zip_switches.h"

namespace velkin {
namespace {

constexpr std::uint32_t kUtf8 = 65001;
constexpr std::uint32_t kUtf16Le = 1200;
constexpr std::uint32_t kUtf16Be = 1201;
constexpr std::uint32_t kAnsi = 0;
constexpr std::uint32_t kOem = 1;

// The code page a -scs value names, as the family reads it: a number below 65536, or one of its
// five names in any letter case; UTF-8 for anything it refuses.
std::uint32_t CodePageNamed(std::wstring_view charset) {
    if (!charset.empty() && charset.find_first_not_of(L"0123456789") == std::wstring_view::npos) {
        std::uint32_t number = 0;
        for (const wchar_t digit : charset) {
            number = number * 10 + static_cast<std::uint32_t>(digit - L'0');
            if (number >= 0x10000) {
                return kUtf8;
            }
        }
        return number;
    }
    const std::wstring name = LowerAscii(charset);
    if (name == L"win") {
        return kAnsi;
    }
    if (name == L"dos") {
        return kOem;
    }
    if (name == L"utf-16le") {
        return kUtf16Le;
    }
    if (name == L"utf-16be") {
        return kUtf16Be;
    }
    return kUtf8;
}

} // namespace

ListFileEncoding WriteSevenZipListFile(const ListFileLines& lines, std::wstring_view switches,
                                       const CodePage& ansi, ByteSink& sink) {
    const auto charset = ReadSevenZipSwitches(switches).charset;
    const std::uint32_t codePage = charset ? CodePageNamed(*charset) : kUtf8;

    std::unique_ptr<CodePage> numbered;
    std::unique_ptr<list_file::Encoder> encoder;
    ListFileEncoding encoding = ListFileEncoding::CodePage;
    if (codePage == kUtf8) {
        encoder = std::make_unique<list_file::Utf8Encoder>();
        encoding = ListFileEncoding::Utf8;
    } else if (codePage == kUtf16Le || codePage == kUtf16Be) {
        encoder = std::make_unique<list_file::Utf16Encoder>(codePage == kUtf16Be);
        encoding = codePage == kUtf16Be ? ListFileEncoding::Utf16Be : ListFileEncoding::Utf16;
    } else if (codePage == kAnsi) {
        encoder = std::make_unique<list_file::CodePageEncoder>(ansi);
    } else if ((numbered = ansi.Numbered(codePage))) {
        encoder = std::make_unique<list_file::CodePageEncoder>(*numbered);
    } else {
        return ListFileEncoding::Unwritable;
    }
    list_file::BlockWriter out(sink);
    if (!list_file::WriteLines(lines, *encoder, list_file::LineTrimming::BothEnds, out)) {
        return ListFileEncoding::Unwritable;
    }
    out.Flush();
    return encoding;
}

} // namespace velkin
