#pragma once

namespace velkin {

// A close the window cannot carry out at once waits until it can: while a drop comes in, a run
// goes on, or a box or dialog of the program disables the window. Handled inside a box's loop,
// it would destroy the window under the box, whose quit would take the box away. Meanwhile the
// window takes nothing more in: hand-offs, drops and pastes are refused.
//
// A close during a run stops the run once the group that runs has ended, and the queue file
// outlives the window, so that the next start offers what is left. Paths from outside that had
// arrived but were not shown yet when the close was asked for keep the window open: the user
// closed it without having seen them, so they go in instead.
class DeferredClose {
public:
    // What the window is doing when a close is asked for.
    struct Moment {
        bool held = false;           // a drop comes in, a run goes on, or the window is disabled
        bool running = false;        // a run goes on
        bool arrivalsUnseen = false; // paths from outside that are neither rows nor named yet
    };

    enum class Step {
        Wait,              // nothing now
        TakeInArrivals,    // the window stays, and what arrived goes in
        Close,             // the settings are saved and the window goes, its queue with it
        CloseKeepingQueue, // the same, but the queue file stays for the next start
    };

    // The user asked to close the window.
    Step Asked(const Moment& now);

    // What held the window may be over: Wait while it still holds or no close waits; otherwise
    // TakeInArrivals, or Close, for which the window asks itself to close again, as the user did.
    Step Resumed(bool held);

    bool waiting() const { return waiting_; }
    // Whether the run under way is to start no further group.
    bool stopsRun() const { return stopsRun_; }

private:
    bool waiting_ = false;
    bool keepOpen_ = false;
    bool stopsRun_ = false;
};

} // namespace velkin
