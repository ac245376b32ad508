#pragma once
// A conveyor in front of the reader: every period a new transponder enters the field, stays for
// a while and is taken away again, so that a write cycle programs tag after tag.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "sim/tag_field.h"

namespace vesmor::sim {

class Conveyor {
  public:
    // Called with "+UID" when a tag has entered and "-UID" just before it leaves.
    using Observer = std::function<void(const std::string& event)>;

    Conveyor(TagField& field, ChipKind kind, int everyMs, int presentMs, Observer observer = {});
    ~Conveyor();
    Conveyor(const Conveyor&) = delete;
    Conveyor& operator=(const Conveyor&) = delete;

  private:
    void Run();

    TagField& field_;
    ChipKind kind_;
    int everyMs_;
    int presentMs_;
    Observer observer_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace vesmor::sim
