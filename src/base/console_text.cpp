#include "base/console_text.h"

namespace velkin {
namespace {

// A progress line names one file: a longer line is not looked at for a figure.
constexpr std::size_t kLongestProgressLine = 4096;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Where the last "N%" of the line (one to three digits, at the line's start or after a blank)
// stands, with its figure, or nothing.
struct Figure {
    std::size_t start = 0;
    std::size_t end = 0; // just after the '%'
    int percent = 0;
};

std::optional<Figure> LastFigure(std::string_view line) {
    std::optional<Figure> found;
    for (std::size_t at = line.find('%'); at != std::string_view::npos;
         at = line.find('%', at + 1)) {
        std::size_t start = at;
        while (start > 0 && at - start < 3 && IsDigit(line[start - 1])) {
            --start;
        }
        if (start == at || (start > 0 && !IsBlank(line[start - 1]))) {
            continue;
        }
        int percent = 0;
        for (std::size_t i = start; i != at; ++i) {
            percent = percent * 10 + (line[i] - '0');
        }
        if (percent <= 100) {
            found = Figure{start, at + 1, percent};
        }
    }
    return found;
}

// 7-Zip's progress line: " 45% 12 + folder\name" (count and name optional, the mark one of
// its update actions); RAR's console: "Adding    folder\name      45%".
std::string FileOf(std::string_view line, const Figure& figure) {
    std::string_view after = TrimBlanks(line.substr(figure.end));
    if (!after.empty()) {
        while (!after.empty() && IsDigit(after.front())) {
            after.remove_prefix(1);
        }
        after = TrimBlanks(after);
        if (after.size() >= 2 && IsBlank(after[1])) {
            return std::string(TrimBlanks(after.substr(2)));
        }
        return {};
    }
    const std::string_view before = TrimBlanks(line.substr(0, figure.start));
    const std::size_t blank = before.find_first_of(" \t");
    return blank == std::string_view::npos ? std::string()
                                           : std::string(TrimBlanks(before.substr(blank)));
}

// A line that holds a progress figure and at most a file count after it, as 7-Zip ends its
// progress with.
bool IsProgressOnly(std::string_view line) {
    const auto figure = LastFigure(line);
    if (!figure || !TrimBlanks(line.substr(0, figure->start)).empty()) {
        return false;
    }
    for (const char c : TrimBlanks(line.substr(figure->end))) {
        if (!IsDigit(c)) {
            return false;
        }
    }
    return true;
}

// Cuts the text to its last `most` bytes, from the start of a line.
void KeepLast(std::string& text, std::size_t most) {
    if (text.size() <= most) {
        return;
    }
    std::size_t cut = text.size() - most;
    if (text[cut - 1] != '\n') {
        const std::size_t feed = text.find('\n', cut);
        cut = feed == std::string::npos ? text.size() : feed + 1;
    }
    text.erase(0, cut);
}

} // namespace

void ConsoleText::Feed(std::string_view bytes) {
    for (const char c : bytes) {
        if (c == '\n') {
            returned_ = false;
            EndLine();
            continue;
        }
        // A carriage return not followed by a line feed rubs the line out: what comes next is
        // a new progress line or a cleared one. It is not written over character by character,
        // as a console would: the archiver counts what it clears in characters, not bytes.
        if (returned_) {
            returned_ = false;
            line_.clear();
            cursor_ = 0;
            changed_ = false;
        }
        switch (c) {
        case '\r':
            NoteProgress();
            returned_ = true;
            break;
        case '\b':
            NoteProgress();
            cursor_ -= cursor_ != 0 ? 1 : 0;
            break;
        default:
            if (cursor_ < line_.size()) {
                line_[cursor_] = c;
            } else {
                line_ += c;
            }
            ++cursor_;
            changed_ = true;
            if (line_.size() == kKeptConsoleBytes - 1) {
                EndLine();
            }
        }
    }
    // A line written over a longer one is whole only once the cursor is at its end: in between,
    // what shows mixes the two ("  6%" while " 96%" is being rubbed out).
    if (cursor_ == line_.size()) {
        NoteProgress();
    }
}

void ConsoleText::Finish() {
    if (!line_.empty() && !returned_) {
        EndLine();
    }
}

void ConsoleText::NoteProgress() {
    // Looked for once a change, and only in lines of a progress line's length, so that a flood
    // of control characters or a line without end costs no more than reading it.
    if (!changed_ || line_.size() > kLongestProgressLine) {
        return;
    }
    changed_ = false;
    if (const auto figure = LastFigure(line_)) {
        ConsoleProgress progress{figure->percent, FileOf(line_, *figure)};
        if (!(progress == latest_)) {
            latest_ = std::move(progress);
            fresh_ = true;
        }
    }
}

void ConsoleText::EndLine() {
    NoteProgress();
    const std::string_view line = line_;
    std::string_view shown = line;
    while (!shown.empty() && IsBlank(shown.back())) {
        shown.remove_suffix(1);
    }
    if (!IsProgressOnly(shown)) {
        kept_ += shown;
        kept_ += '\n';
        // Cut now and then rather than at every line, so that gigabytes of lines cost no more
        // than copying them once or twice.
        if (kept_.size() >= 2 * kKeptConsoleBytes) {
            KeepLast(kept_, kKeptConsoleBytes);
        }
    }
    line_.clear();
    cursor_ = 0;
    changed_ = false;
}

std::string ConsoleText::Kept() const {
    std::string kept = kept_;
    KeepLast(kept, kKeptConsoleBytes);
    return kept;
}

std::optional<ConsoleProgress> ConsoleText::TakeProgress() {
    if (!fresh_) {
        return std::nullopt;
    }
    fresh_ = false;
    return latest_;
}

std::string JoinKeptText(const ConsoleText& error, const ConsoleText& output) {
    std::string text = error.Kept() + output.Kept();
    KeepLast(text, kKeptConsoleBytes);
    return text;
}

} // namespace velkin
