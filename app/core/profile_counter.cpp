#include "app/core/profile_counter.h"

namespace tagforge {

std::optional<CounterFailure> ProfileCounter::Reserve(const WriteJob&, const std::string& next) {
    if (m_stored == next) {
        return std::nullopt;
    }
    m_stored.reset();
    m_profile.WriteString("Settings", "LastData", next);
    if (const std::optional<std::string> reason = m_profile.Commit()) {
        return CounterFailure{m_profile.Location(), *reason};
    }
    m_stored = next;
    return std::nullopt;
}

}  // namespace tagforge
