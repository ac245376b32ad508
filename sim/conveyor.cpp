#include "sim/conveyor.h"

#include <chrono>
#include <deque>

namespace vesmor::sim {

Conveyor::Conveyor(TagField& field, ChipKind kind, int everyMs, int presentMs, Observer observer,
                   ConveyorRoute route)
    : field_(field),
      kind_(kind),
      everyMs_(everyMs),
      presentMs_(presentMs),
      observer_(std::move(observer)),
      route_(route),
      thread_(&Conveyor::Run, this) {}

Uid Conveyor::Bring() {
    const uint64_t index =
        route_.loop > 0 ? brought_ % static_cast<uint64_t>(route_.loop) : brought_;
    ++brought_;
    if (route_.firstSerial == 0 && route_.loop <= 0) {
        return field_.Insert(kind_);
    }
    const uint64_t first = route_.firstSerial == 0 ? 1 : route_.firstSerial;
    const Uid uid = field_.Insert(kind_, MakeUid(kind_, first + index));
    if (const auto kept = kept_.find(uid); kept != kept_.end()) {
        for (size_t block = 0; block < kept->second.size(); ++block) {
            field_.SetBlock(uid, static_cast<int>(block), kept->second[block]);
        }
    }
    return uid;
}

void Conveyor::TakeAway(const Uid& uid) {
    if (route_.loop > 0) {
        std::vector<std::vector<uint8_t>>& blocks = kept_[uid];
        blocks.clear();
        for (int block = 0; block < GeometryOf(kind_).blockCount; ++block) {
            blocks.push_back(field_.Block(uid, block).value_or(std::vector<uint8_t>{}));
        }
    }
    field_.Remove(uid);
}

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
            // The leaving tag is out of the reader's reach first: a write that comes now fails
            // as on a tag gone. Then the observer hears of it while it is still in the field,
            // so that what it sees written to the tag is what the tag leaves with.
            field_.MoveOutOfReach(removals.front().uid);
            if (observer_)
                observer_("-" + UidText(removals.front().uid));
            TakeAway(removals.front().uid);
            removals.pop_front();
        }
        if (nextInsert <= now) {
            const Uid uid = Bring();
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
