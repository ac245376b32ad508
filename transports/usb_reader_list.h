#pragma once
// The USB readers a user can open directly: FTDI devices by serial number (D2XX), then HID
// readers, kept only when the name begins with one of the readers' article numbers.

#include <string>
#include <vector>

namespace vesmor {

// True when the first four characters are decimal digits whose value is an accepted article
// number: 3311-3329, 3357, 3384, 3385, 4161-4170, 4211-4220, 4541-4550 or 6901-7000.
bool HasReaderArticleNumber(const std::string& name);

std::vector<std::string> ListUsbReaders();

}  // namespace vesmor
