#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velkin {

// How much of what a console archiver printed is kept for one group, at most.
inline constexpr std::size_t kKeptConsoleBytes = 64 * 1024;

// Where a console archiver says it has come: the percentage it printed last, and the file it
// named with it (bytes as printed; empty when the line named none).
struct ConsoleProgress {
    int percent = 0;
    std::string file;
    bool operator==(const ConsoleProgress&) const = default;
};

// What one of a console archiver's output streams printed, read in pieces as they come, cut
// anywhere. The text is followed much as a console would show it: a carriage return without a
// line feed after it starts the line afresh, and a backspace takes the cursor one column back,
// so that what is written afterwards overwrites it. A line counts when it ends with a line feed;
// a progress line, which its archiver takes back with a carriage return or backspaces, never
// gets there and is not kept, nor is a line that holds nothing but a progress figure. The last
// kKeptConsoleBytes are kept, from a line's start; a line that never ends is cut into pieces of
// that size, so the memory used stays bounded whatever comes.
class ConsoleText {
public:
    void Feed(std::string_view bytes);
    // The stream ended: a last line without a line feed counts too.
    void Finish();

    // The lines kept, each ended by a line feed, trailing blanks taken off.
    std::string Kept() const;
    // The progress seen since last asked, or nothing when no new figure came.
    std::optional<ConsoleProgress> TakeProgress();
    bool HasFreshProgress() const { return fresh_; }

private:
    void EndLine();
    void NoteProgress();

    std::string kept_;
    std::string line_;
    std::size_t cursor_ = 0;
    // Whether the line changed since its figure was last looked for.
    bool changed_ = false;
    // The last character was a carriage return.
    bool returned_ = false;
    ConsoleProgress latest_;
    bool fresh_ = false;
};

// Both streams' kept text for the log, standard error first, cut to the last kKeptConsoleBytes
// from a line's start.
std::string JoinKeptText(const ConsoleText& error, const ConsoleText& output);

} // namespace velkin
