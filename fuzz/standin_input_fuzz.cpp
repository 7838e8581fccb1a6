// The stand-in archiver's readers of its command line and list file: any input is taken
// without harm and what they give is consistent; input that Velkin's builders made comes back
// as it was built.

#include <algorithm>

#include "core/command_line.h"
#include "core/list_file.h"
#include "fuzz_support.h"
#include "runner/archiver_command.h"

namespace {

namespace sjis = velkin::fuzz::sjis;
namespace standin = velkin::standin;

std::optional<std::wstring> DecodeMiniShiftJis(std::string_view bytes) {
    return sjis::Decode(bytes);
}

std::wstring TabsAsBlanks(std::wstring text) {
    std::replace(text.begin(), text.end(), L'\t', L' ');
    return text;
}

// Switches without quotes are split at runs of blanks, and nothing else.
std::vector<std::wstring> BlankSeparated(std::wstring_view text) {
    std::vector<std::wstring> tokens;
    std::wstring current;
    for (const wchar_t c : text) {
        if (c == L' ' || c == L'\t') {
            if (!current.empty()) {
                tokens.push_back(current);
            }
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) {
        tokens.push_back(current);
    }
    return tokens;
}

void CheckParsedLine(const std::wstring& line) {
    const auto parsed = standin::ParseCommandLine(line);
    FUZZ_CHECK(parsed.ok == parsed.error.empty());
    if (!parsed.ok) {
        return;
    }
    FUZZ_CHECK(!parsed.listFilePath.empty());
    FUZZ_CHECK(!parsed.command.empty());
    FUZZ_CHECK(parsed.command.find_first_of(L" \t") == std::wstring::npos);
    FUZZ_CHECK(parsed.archivePath.find(L'"') == std::wstring::npos);
    FUZZ_CHECK(parsed.listFilePath.find(L'"') == std::wstring::npos);

    bool unbalanced = false;
    FUZZ_CHECK(standin::SplitSwitches(parsed.switches, &unbalanced) == parsed.switchList);
    const auto quotes = std::count(parsed.switches.begin(), parsed.switches.end(), L'"');
    FUZZ_CHECK(unbalanced == (quotes % 2 == 1));
    if (quotes == 0) {
        FUZZ_CHECK(parsed.switchList == BlankSeparated(parsed.switches));
    }

    // Nothing tolerated means the line had exactly the built form, a blank being a space or a tab.
    if (parsed.notes.empty()) {
        const std::wstring rebuilt = L"\"" + parsed.program + L"\" " + parsed.command + L" " +
                                     parsed.switches + L" \"" + parsed.archivePath + L"\" \"@" +
                                     parsed.listFilePath + L"\"";
        FUZZ_CHECK(TabsAsBlanks(rebuilt) == TabsAsBlanks(line));
    }
}

void CheckDecodedList(std::string_view bytes) {
    const auto list = standin::DecodeListFile(bytes, DecodeMiniShiftJis);
    const bool utf16 = bytes.starts_with("\xFF\xFE");
    FUZZ_CHECK((list.encoding == standin::ListEncoding::Utf16Le) == utf16);
    for (const auto& entry : list.entries) {
        FUZZ_CHECK(!entry.empty());
        FUZZ_CHECK(entry.find(L'\n') == std::wstring::npos);
        FUZZ_CHECK(entry.find(L'\0') == std::wstring::npos);
    }
    if (utf16 && bytes.size() % 2 != 0) {
        FUZZ_CHECK(!list.problems.empty());
    }
    if (!utf16) {
        // At most one entry a line; when nothing went wrong, one for each line with text.
        std::size_t lines = 0;
        for (std::size_t start = 0; start < bytes.size(); ++lines) {
            const auto end = bytes.find('\n', start);
            start = end == std::string_view::npos ? bytes.size() : end + 1;
        }
        FUZZ_CHECK(list.entries.size() <= lines);
        if (list.problems.empty()) {
            std::size_t nonEmpty = 0;
            for (std::size_t start = 0; start < bytes.size();) {
                auto end = bytes.find('\n', start);
                if (end == std::string_view::npos) {
                    end = bytes.size();
                }
                auto line = bytes.substr(start, end - start);
                if (end != bytes.size() && line.ends_with('\r')) {
                    line.remove_suffix(1);
                }
                // What WinRAR reads of it: blanks and tabs off its end, then one pair of
                // enclosing quotes. No trail byte of the code page is a blank, a tab or a quote.
                while (line.ends_with(' ') || line.ends_with('\t')) {
                    line.remove_suffix(1);
                }
                const bool enclosed = line.starts_with('"') && line.ends_with('"');
                nonEmpty += line.size() > (enclosed ? 2u : 0u) ? 1 : 0;
                start = end + 1;
            }
            FUZZ_CHECK(list.entries.size() == nonEmpty);
        }
    }
    if (list.entries.empty() && list.problems.empty()) {
        FUZZ_CHECK(std::find(list.notes.begin(), list.notes.end(), L"no entries") !=
                   list.notes.end());
    }
}

// Paths as Velkin gives them: no CR, LF, NUL or quote; some characters outside the code page.
constexpr std::wstring_view kPathAlphabet = L"\\:.a Z@-\t\uFF76\u4E00\u5CCC\u3042\U0001F600";
constexpr std::size_t kInCodePage = 12;

void CheckBuiltLine(FuzzedDataProvider& data) {
    velkin::ArchiverInvocation invocation = velkin::fuzz::InvocationFrom(data, kPathAlphabet);
    // A list file always has a path: the reader refuses "@" alone.
    invocation.listFilePath.insert(0, L"C");
    const std::wstring line = velkin::BuildArchiverCommandLine(invocation);

    const auto parsed = standin::ParseCommandLine(line);
    FUZZ_CHECK(parsed.ok);
    FUZZ_CHECK(parsed.program == invocation.archiverPath);
    FUZZ_CHECK(parsed.command == L"A");
    FUZZ_CHECK(parsed.switches == invocation.switches);
    FUZZ_CHECK(parsed.archivePath == invocation.archivePath);
    FUZZ_CHECK(parsed.listFilePath == invocation.listFilePath);
    CheckParsedLine(line);
}

void CheckBuiltList(FuzzedDataProvider& data) {
    const auto paths = velkin::fuzz::ListPathsFrom(data, kPathAlphabet, kInCodePage);
    const velkin::fuzz::MiniShiftJis codePage;
    const auto lines = velkin::fuzz::ListLinesOf(paths);
    const auto file = velkin::BuildListFile(lines, codePage);
    const auto list = standin::DecodeListFile(file.bytes, DecodeMiniShiftJis);

    FUZZ_CHECK(list.problems.empty());
    FUZZ_CHECK((list.encoding == standin::ListEncoding::Utf16Le) ==
               (file.encoding == velkin::ListFileEncoding::Utf16));
    // An empty path makes an empty line, which the reader skips.
    std::vector<std::wstring> expected;
    std::copy_if(paths.begin(), paths.end(), std::back_inserter(expected),
                 [](const std::wstring& path) { return !path.empty(); });
    FUZZ_CHECK(list.entries == expected);
    CheckDecodedList(file.bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    switch (provider.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
        CheckParsedLine(velkin::fuzz::WideFromBytes(provider.ConsumeRemainingBytesAsString()));
        break;
    case 1:
        CheckDecodedList(provider.ConsumeRemainingBytesAsString());
        break;
    case 2:
        CheckBuiltLine(provider);
        break;
    default:
        CheckBuiltList(provider);
        break;
    }
    return 0;
}
