#pragma once

#include <optional>
#include <string>

#include "app/core/counter_store.h"
#include "app/core/settings_model.h"

// The window's counter: the next write text as "Settings"/`LastData` in the profile, committed
// to disk before each write, so that the next start proposes the number after the last one
// written even when the program never got to close its window.
namespace tagforge {

class ProfileCounter final : public CounterStore {
  public:
    explicit ProfileCounter(ProfileStore& profile) : m_profile(profile) {}

    std::optional<CounterFailure> Reserve(const WriteJob& writing,
                                          const std::string& next) override;

  private:
    ProfileStore& m_profile;
    // The text this object last put on disk: writing the same text again (a job without "Auto
    // increment") costs no disk write.
    std::optional<std::string> m_stored;
};

}  // namespace tagforge
