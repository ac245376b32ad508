#pragma once

#include <string>

#include "periphery/ini_ex.h"

// An INI text bound to one file for the object's lifetime: constructing it with a path reads the
// file (creating it empty when it does not exist), destroying it writes the file back if it was
// changed. Without a path it is only filled with Parse and queried.
class CPrivateProfile : public CIniEx {
  public:
    CPrivateProfile() = default;
    explicit CPrivateProfile(const std::string& path) { Open(path, true, true, true); }
};
