#pragma once

#include <string>
#include <vector>

// One section of an INI text: the name between the brackets of its header (empty for the part
// before the first header) and its lines in file order as parallel key/value arrays.
struct CSection {
    std::string name;
    std::vector<std::string> keys;
    std::vector<std::string> values;

    void Append(std::string key, std::string value) {
        keys.push_back(std::move(key));
        values.push_back(std::move(value));
    }
};
