#pragma once
// A conveyor in front of the reader: every period a new transponder enters the field, stays for
// a while and is taken away again, so that a write cycle programs tag after tag.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/tag_field.h"

namespace vesmor::sim {

// Which transponders the conveyor brings.
struct ConveyorRoute {
    uint64_t firstSerial = 0;  // serial of the first tag's UID (0: the field's running serial)
    // Above 0: after this many tags the first one comes back, with what was written to it, and
    // so on in a loop (a tag that passes the reader a second time).
    int loop = 0;
};

class Conveyor {
  public:
    // Called with "+UID" when a tag has entered and "-UID" just before it leaves the field, once
    // it is out of the reader's reach (it takes no more writes, so its blocks then are what it
    // leaves with).
    using Observer = std::function<void(const std::string& event)>;

    Conveyor(TagField& field, ChipKind kind, int everyMs, int presentMs, Observer observer = {},
             ConveyorRoute route = {});
    ~Conveyor();
    Conveyor(const Conveyor&) = delete;
    Conveyor& operator=(const Conveyor&) = delete;

  private:
    void Run();
    Uid Bring();
    void TakeAway(const Uid& uid);

    TagField& field_;
    ChipKind kind_;
    int everyMs_;
    int presentMs_;
    Observer observer_;
    ConveyorRoute route_;
    uint64_t brought_ = 0;
    std::map<Uid, std::vector<std::vector<uint8_t>>> kept_;  // blocks of tags that come back
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace vesmor::sim
