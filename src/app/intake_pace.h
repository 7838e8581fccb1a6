#pragma once

#include <chrono>

namespace velkin {

// How a drop's rows share the window's thread with its messages: how often the window handles
// the messages waiting, and how often the list is told its row count, so that the window answers
// and shows a drop's progress however large the drop.
class IntakePace {
public:
    using Clock = std::chrono::steady_clock;

    // How long a breath may spend on the messages waiting: a flood of them from another
    // program slows a drop down, and cannot stop it.
    static constexpr std::chrono::milliseconds kMostMessageTime{15};

    // Paced from now on, as for a drop that arrives by other ways than a drag.
    IntakePace() { Restart(Clock::now()); }

    // A drop arrived; the messages have waited since then.
    void Restart(Clock::time_point now);

    // After each row: whether the messages waiting are due to be handled.
    bool BreathDue();

    // At a breath: whether the list is due to be told its row count, given whether rows told of
    // now would come into its view. Then the breath is taken from the time given.
    bool ShowDue(bool rowsComeIntoView, Clock::time_point now);
    void Breathed(Clock::time_point now) { lastBreath_ = now; }

private:
    Clock::time_point lastBreath_;
    unsigned rowsSinceBreath_ = 0;
    Clock::time_point lastShown_;
    unsigned rowsSinceShown_ = 0;
    unsigned rowsPerShow_ = 0;
};

} // namespace velkin
