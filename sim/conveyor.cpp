#include "sim/conveyor.h"

#include <chrono>
#include <deque>

namespace vesmor::sim {

Conveyor::Conveyor(TagField& field, ChipKind kind, int everyMs, int presentMs, Observer observer)
    : field_(field),
      kind_(kind),
      everyMs_(everyMs),
      presentMs_(presentMs),
      observer_(std::move(observer)),
      thread_(&Conveyor::Run, this) {}

Conveyor::~Conveyor() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void Conveyor::Run() {
    using Clock = std::chrono::steady_clock;
    struct Removal {
        Clock::time_point at;
        Uid uid;
    };
    std::deque<Removal> removals;
    Clock::time_point nextInsert = Clock::now();
    std::unique_lock lock(mutex_);
    while (!stop_) {
        const Clock::time_point now = Clock::now();
        while (!removals.empty() && removals.front().at <= now) {
            // The observer hears of the leaving tag while it is still in the field, so that it
            // can look at what was written to it.
            if (observer_)
                observer_("-" + UidText(removals.front().uid));
            field_.Remove(removals.front().uid);
            removals.pop_front();
        }
        if (nextInsert <= now) {
            const Uid uid = field_.Insert(kind_);
            if (observer_)
                observer_("+" + UidText(uid));
            removals.push_back({now + std::chrono::milliseconds(presentMs_), uid});
            nextInsert += std::chrono::milliseconds(everyMs_);
        }
        Clock::time_point next = nextInsert;
        if (!removals.empty() && removals.front().at < next) {
            next = removals.front().at;
        }
        wake_.wait_until(lock, next, [this] { return stop_; });
    }
    for (const Removal& removal : removals) {
        field_.Remove(removal.uid);
    }
}

}  // namespace vesmor::sim
