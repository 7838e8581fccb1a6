// The serve mode: one command per line on stdin, so that one Wine process serves a whole suite.
#include "driver/serve.h"

#include <windows.h>

#include <cstdlib>
#include <string>

#include "driver/driver.h"

namespace velkin::driver {
namespace {

// One request line: a JSON array of strings. Non-ASCII text may come raw (UTF-8) or escaped
// (\uXXXX, surrogate pairs as two escapes, which is how Python writes it).
std::vector<std::wstring> ParseRequest(const std::string& line) {
    std::vector<std::wstring> words;
    std::size_t at = 0;
    auto skipBlanks = [&] {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t' || line[at] == '\r')) {
            ++at;
        }
    };
    auto expect = [&](char c) {
        skipBlanks();
        if (at >= line.size() || line[at] != c) {
            Fail(std::string("request is no JSON array of strings: expected '") + c + "' at byte " +
                     std::to_string(at),
                 kExitUsage);
        }
        ++at;
    };
    auto hex4 = [&] {
        if (at + 4 > line.size()) {
            Fail("request: \\u needs four hex digits", kExitUsage);
        }
        const std::string digits = line.substr(at, 4);
        char* end = nullptr;
        const unsigned long value = std::strtoul(digits.c_str(), &end, 16);
        if (end != digits.c_str() + 4) {
            Fail("request: bad \\u escape " + digits, kExitUsage);
        }
        at += 4;
        return static_cast<wchar_t>(value);
    };
    expect('[');
    skipBlanks();
    if (at < line.size() && line[at] == ']') {
        return words;
    }
    for (;;) {
        expect('"');
        std::wstring word;
        std::string raw; // a run of unescaped bytes, UTF-8
        auto flush = [&] {
            std::wstring wide;
            if (!standin::FromUtf8(raw, wide)) {
                Fail("request is not UTF-8", kExitUsage);
            }
            word += wide;
            raw.clear();
        };
        for (;;) {
            if (at >= line.size()) {
                Fail("request: unterminated string", kExitUsage);
            }
            const char c = line[at++];
            if (c == '"') {
                break;
            }
            if (c != '\\') {
                raw += c;
                continue;
            }
            flush();
            if (at >= line.size()) {
                Fail("request: unterminated escape", kExitUsage);
            }
            const char escaped = line[at++];
            switch (escaped) {
            case 'n':
                word += L'\n';
                break;
            case 'r':
                word += L'\r';
                break;
            case 't':
                word += L'\t';
                break;
            case 'b':
                word += L'\b';
                break;
            case 'f':
                word += L'\f';
                break;
            case 'u':
                word += hex4();
                break;
            default: // '"', '\\', '/'
                word += static_cast<wchar_t>(escaped);
                break;
            }
        }
        flush();
        words.push_back(std::move(word));
        skipBlanks();
        if (at < line.size() && line[at] == ',') {
            ++at;
            continue;
        }
        expect(']');
        return words;
    }
}
} // namespace

int Serve() {
    PrintLine("{\"serving\":" + std::to_string(::GetCurrentProcessId()) + "}");
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    std::string pending;
    char buffer[4096];
    for (;;) {
        std::size_t newline = pending.find('\n');
        while (newline == std::string::npos) {
            DWORD got = 0;
            if (!::ReadFile(input, buffer, sizeof(buffer), &got, nullptr) || got == 0) {
                return 0;
            }
            pending.append(buffer, got);
            newline = pending.find('\n');
        }
        const std::string line = pending.substr(0, newline);
        pending.erase(0, newline + 1);
        if (line.find_first_not_of(" \t\r") == std::string::npos) {
            continue;
        }
        Outcome outcome;
        try {
            outcome = Execute(ParseRequest(line));
        } catch (const DriverError& error) {
            outcome = {error.exitCode(), error.what()};
        }
        std::string end = "{\"end\":" + std::to_string(outcome.exitCode);
        if (!outcome.error.empty()) {
            std::wstring wide;
            standin::FromUtf8(outcome.error, wide);
            end += ",\"error\":" + JsonString(wide);
        }
        PrintLine(end + "}");
    }
}

} // namespace velkin::driver
