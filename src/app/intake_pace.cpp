#include "app/intake_pace.h"

#include <utility>

namespace velkin {
namespace {

// How long the window may go without handling its messages while a drop comes in; and how many
// rows at most, so that a drop shows its rows coming in however fast the machine takes it in.
constexpr auto kBreathInterval = std::chrono::milliseconds(15);
constexpr unsigned kRowsPerBreath = 16384;

// Rows between two looks at the clock: under Wine a look costs about as much as making a row,
// and a hundred rows take well under a millisecond.
constexpr unsigned kRowsPerClockLook = 128;

// Telling the list its new row count costs 5 to 12 ms under Wine whatever the count. Once the
// rows fill the list's view, only the scroll bar shows that more arrive: the count is told every
// so often, and each time the rows since the last telling have doubled, so that a drop shows its
// progress however fast it comes in.
constexpr auto kShowInterval = std::chrono::milliseconds(200);
constexpr unsigned kFirstRowsPerShow = 65536;

} // namespace

void IntakePace::Restart(Clock::time_point now) {
    lastBreath_ = now;
    lastShown_ = now;
    rowsSinceBreath_ = 0;
    rowsSinceShown_ = 0;
    rowsPerShow_ = kFirstRowsPerShow;
}

bool IntakePace::BreathDue() {
    if (++rowsSinceBreath_ % kRowsPerClockLook != 0) {
        return false;
    }
    return rowsSinceBreath_ >= kRowsPerBreath || Clock::now() - lastBreath_ >= kBreathInterval;
}

bool IntakePace::ShowDue(bool rowsComeIntoView, Clock::time_point now) {
    rowsSinceShown_ += std::exchange(rowsSinceBreath_, 0u);
    if (!rowsComeIntoView && now - lastShown_ < kShowInterval && rowsSinceShown_ < rowsPerShow_) {
        return false;
    }
    lastShown_ = now;
    rowsSinceShown_ = 0;
    rowsPerShow_ *= 2;
    return true;
}

} // namespace velkin
