#include "base/group_log.h"

#include <string_view>

#include "base/message_texts.h"

namespace velkin {
namespace {

// The text with every line ended by CR LF, as an edit control breaks lines only there.
void AppendLines(std::wstring& out, std::wstring_view text) {
    for (const wchar_t c : text) {
        if (c == L'\n') {
            out += L"\r\n";
        } else if (c != L'\r') {
            out += c;
        }
    }
}

} // namespace

std::wstring GroupLogText(const GroupLog& log) {
    std::wstring text;
    text += text::kLogCommandLine;
    text += log.commandLine;
    text += L"\r\n";
    if (log.end.kind == ProcessEnd::Kind::Exited) {
        text += text::kLogExitCode;
        text += std::to_wstring(log.end.exitCode);
        text += L"\r\n";
    }
    text += text::kLogStatus;
    text += log.status;
    text += L"\r\n";
    if (!log.printed.empty()) {
        text += L"\r\n";
        AppendLines(text, log.printed);
    }
    return text;
}

std::wstring FirstErrorLines(const GroupLog& log, std::size_t most) {
    std::wstring lines;
    std::size_t taken = 0;
    std::wstring_view rest = log.errors;
    while (!rest.empty() && taken < most) {
        const std::size_t end = rest.find(L'\n');
        std::wstring_view line = rest.substr(0, end);
        rest = end == std::wstring_view::npos ? std::wstring_view() : rest.substr(end + 1);
        while (!line.empty() && (line.back() == L'\r' || line.back() == L' ')) {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        if (taken++ != 0) {
            lines += L'\n';
        }
        lines += line;
    }
    return lines;
}

} // namespace velkin
