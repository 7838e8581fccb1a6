#include "core/command_line.h"

namespace velkin::standin {
namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

struct Token {
    std::size_t begin = 0; // first character, the opening quote included
    std::wstring text;     // without quotes
    bool quoted = false;
};

// The token that ends at `end` (exclusive), or an error text.
bool TakeTokenBefore(std::wstring_view line, std::size_t end, Token& token, std::wstring& error,
                     const wchar_t* what) {
    if (end == 0) {
        error = std::wstring(L"no ") + what;
        return false;
    }
    if (line[end - 1] == L'"') {
        const auto open = end >= 2 ? line.rfind(L'"', end - 2) : std::wstring_view::npos;
        if (open == std::wstring_view::npos) {
            error = std::wstring(L"unbalanced quote in the ") + what;
            return false;
        }
        token.begin = open;
        token.text = std::wstring(line.substr(open + 1, end - 2 - open));
        token.quoted = true;
    } else {
        std::size_t begin = end;
        while (begin > 0 && !IsBlank(line[begin - 1])) {
            --begin;
        }
        token.begin = begin;
        token.text = std::wstring(line.substr(begin, end - begin));
        token.quoted = false;
        if (token.text.find(L'"') != std::wstring::npos) {
            error = std::wstring(L"stray quote in the ") + what;
            return false;
        }
    }
    if (token.begin > 0 && !IsBlank(line[token.begin - 1])) {
        error = std::wstring(L"no blank before the ") + what;
        return false;
    }
    return true;
}

std::size_t SkipBlanksBackward(std::wstring_view line, std::size_t end) {
    while (end > 0 && IsBlank(line[end - 1])) {
        --end;
    }
    return end;
}

} // namespace

std::vector<std::wstring> SplitSwitches(std::wstring_view switches, bool* unbalancedQuote) {
    std::vector<std::wstring> tokens;
    std::wstring current;
    bool inQuote = false;
    bool inToken = false;
    for (const wchar_t c : switches) {
        if (c == L'"') {
            inQuote = !inQuote;
        } else if (IsBlank(c) && !inQuote) {
            if (inToken) {
                tokens.push_back(current);
                current.clear();
                inToken = false;
            }
            continue;
        }
        current += c;
        inToken = true;
    }
    if (inToken) {
        tokens.push_back(current);
    }
    if (unbalancedQuote) {
        *unbalancedQuote = inQuote;
    }
    return tokens;
}

ParsedCommandLine ParseCommandLine(std::wstring_view line) {
    ParsedCommandLine parsed;

    std::size_t end = SkipBlanksBackward(line, line.size());
    if (end != line.size()) {
        parsed.notes.push_back(L"blanks after the list file token");
    }

    Token list;
    if (!TakeTokenBefore(line, end, list, parsed.error, L"list file token")) {
        return parsed;
    }
    if (list.text.empty() || list.text[0] != L'@') {
        parsed.error = L"the last token does not start with '@'";
        return parsed;
    }
    if (!list.quoted) {
        parsed.notes.push_back(L"list file token not quoted");
    }
    parsed.listFilePath = list.text.substr(1);
    if (parsed.listFilePath.empty()) {
        parsed.error = L"no path after '@'";
        return parsed;
    }

    end = SkipBlanksBackward(line, list.begin);
    if (list.begin - end > 1) {
        parsed.notes.push_back(L"more than one blank before the list file token");
    }
    Token archive;
    if (!TakeTokenBefore(line, end, archive, parsed.error, L"archive path token")) {
        return parsed;
    }
    if (!archive.quoted) {
        parsed.notes.push_back(L"archive path not quoted");
    }
    parsed.archivePath = archive.text;

    // The front: the program, then the command.
    const std::wstring_view head = line.substr(0, archive.begin);
    std::size_t pos = 0;
    while (pos < head.size() && IsBlank(head[pos])) {
        ++pos;
    }
    if (pos != 0) {
        parsed.notes.push_back(L"blanks before the program path");
    }
    if (pos < head.size() && head[pos] == L'"') {
        const auto close = head.find(L'"', pos + 1);
        if (close == std::wstring_view::npos) {
            parsed.error = L"unbalanced quote in the program path";
            return parsed;
        }
        parsed.program = std::wstring(head.substr(pos + 1, close - pos - 1));
        pos = close + 1;
    } else {
        const auto start = pos;
        while (pos < head.size() && !IsBlank(head[pos])) {
            ++pos;
        }
        parsed.program = std::wstring(head.substr(start, pos - start));
        parsed.notes.push_back(L"program path not quoted");
    }
    if (pos >= head.size() || !IsBlank(head[pos])) {
        parsed.error = L"no command after the program path";
        return parsed;
    }
    const auto afterProgram = pos;
    while (pos < head.size() && IsBlank(head[pos])) {
        ++pos;
    }
    if (pos - afterProgram > 1) {
        parsed.notes.push_back(L"more than one blank before the command");
    }
    const auto commandStart = pos;
    while (pos < head.size() && !IsBlank(head[pos])) {
        ++pos;
    }
    parsed.command = std::wstring(head.substr(commandStart, pos - commandStart));
    if (parsed.command.empty()) {
        parsed.error = L"no command after the program path";
        return parsed;
    }

    // Between the command and the archive: " <switches> ", the switches possibly empty.
    std::wstring_view middle = head.substr(pos);
    if (middle.size() >= 2) {
        middle = middle.substr(1, middle.size() - 2);
    } else {
        middle = {};
        parsed.notes.push_back(L"only one blank between the command and the archive path");
    }
    parsed.switches = std::wstring(middle);
    if (!middle.empty() && (IsBlank(middle.front()) || IsBlank(middle.back()))) {
        parsed.notes.push_back(L"extra blanks around the switches");
    }
    bool unbalanced = false;
    parsed.switchList = SplitSwitches(middle, &unbalanced);
    if (unbalanced) {
        parsed.notes.push_back(L"unbalanced quote in the switches");
    }
    parsed.ok = true;
    return parsed;
}

} // namespace velkin::standin
