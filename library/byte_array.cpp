#include "library/byte_array.h"

#include <algorithm>
#include <stdexcept>

void CMyByteArray::SetAt(size_t index, uint8_t value) {
    if (index == bytes_.size()) {
        bytes_.push_back(value);
    } else {
        bytes_.at(index) = value;
    }
}

void CMyByteArray::InsertAt(size_t index, uint8_t value) {
    if (index > bytes_.size()) {
        throw std::out_of_range("CMyByteArray::InsertAt");
    }
    bytes_.insert(bytes_.begin() + static_cast<std::ptrdiff_t>(index), value);
}

void CMyByteArray::RemoveAt(size_t index, size_t count) {
    if (index >= bytes_.size()) {
        return;
    }
    const size_t end = std::min(bytes_.size(), index + count);
    bytes_.erase(bytes_.begin() + static_cast<std::ptrdiff_t>(index),
                 bytes_.begin() + static_cast<std::ptrdiff_t>(end));
}

void CMyByteArray::Append(const CMyByteArray& other) {
    bytes_.insert(bytes_.end(), other.bytes_.begin(), other.bytes_.end());
}

void CMyByteArray::Append(const uint8_t* data, size_t count) {
    if (count != 0) {
        bytes_.insert(bytes_.end(), data, data + count);
    }
}
