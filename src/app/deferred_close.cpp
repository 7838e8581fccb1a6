#include "app/deferred_close.h"

#include <utility>

namespace velkin {

DeferredClose::Step DeferredClose::Asked(const Moment& now) {
    if (now.held) {
        waiting_ = true;
        stopsRun_ = stopsRun_ || now.running;
        keepOpen_ = keepOpen_ || now.arrivalsUnseen;
        return Step::Wait;
    }
    if (now.arrivalsUnseen) {
        return Step::TakeInArrivals;
    }
    // Taken back before the settings are saved: should the save fail, the window stays open and
    // a later close, nothing running, lets the queue go with the window.
    return std::exchange(stopsRun_, false) ? Step::CloseKeepingQueue : Step::Close;
}

DeferredClose::Step DeferredClose::Resumed(bool held) {
    if (held || !waiting_) {
        return Step::Wait;
    }
    waiting_ = false;
    if (std::exchange(keepOpen_, false)) {
        stopsRun_ = false;
        return Step::TakeInArrivals;
    }
    return Step::Close;
}

} // namespace velkin
