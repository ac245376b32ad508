#include "transports/usb_reader_list.h"

#include <algorithm>

#include "transports/ftd2xx_table.h"
#include "transports/hid_device.h"

namespace vesmor {

bool HasReaderArticleNumber(const std::string& name) {
    if (name.size() < 4) {
        return false;
    }
    int number = 0;
    for (size_t i = 0; i < 4; ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return false;
        }
        number = number * 10 + (name[i] - '0');
    }
    struct Range {
        int first, last;
    };
    constexpr Range kAccepted[] = {{3311, 3329}, {3357, 3357}, {3384, 3385}, {4161, 4170},
                                   {4211, 4220}, {4541, 4550}, {6901, 7000}};
    return std::any_of(std::begin(kAccepted), std::end(kAccepted),
                       [number](const Range& r) { return number >= r.first && number <= r.last; });
}

std::vector<std::string> ListUsbReaders() {
    std::vector<std::string> names;
    CFTD2xxPort d2xx;
    ListD2xxDevices(d2xx, names);
    ListHidReaders(names);
    std::erase_if(names, [](const std::string& name) { return !HasReaderArticleNumber(name); });
    return names;
}

}  // namespace vesmor
