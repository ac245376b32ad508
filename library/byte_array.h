#pragma once
// Growable byte buffer used for frames, answers, UIDs and block data.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

class CMyByteArray {
  public:
    CMyByteArray() = default;
    CMyByteArray(std::initializer_list<uint8_t> bytes) : bytes_(bytes) {}
    CMyByteArray(const uint8_t* data, size_t count) : bytes_(data, data + count) {}

    size_t GetSize() const { return bytes_.size(); }
    bool IsEmpty() const { return bytes_.empty(); }
    const uint8_t* GetData() const { return bytes_.data(); }
    uint8_t* GetData() { return bytes_.data(); }

    // New bytes are 0.
    void SetSize(size_t size) { bytes_.resize(size, 0); }
    void RemoveAll() { bytes_.clear(); }

    uint8_t GetAt(size_t index) const { return bytes_.at(index); }
    uint8_t operator[](size_t index) const { return bytes_[index]; }
    uint8_t& operator[](size_t index) { return bytes_[index]; }

    // Sets the byte at index; an index equal to the size appends.
    void SetAt(size_t index, uint8_t value);
    void Add(uint8_t value) { bytes_.push_back(value); }
    void InsertAt(size_t index, uint8_t value);
    // Removes count bytes from index on; a run past the end is cut at the end.
    void RemoveAt(size_t index, size_t count = 1);
    void Append(const CMyByteArray& other);
    void Append(const uint8_t* data, size_t count);
    void Copy(const CMyByteArray& other) { bytes_ = other.bytes_; }

    bool operator==(const CMyByteArray& other) const = default;

  private:
    std::vector<uint8_t> bytes_;
};

// Array of byte arrays that stores copies.
class CMyByteArrayArray {
  public:
    size_t GetSize() const { return items_.size(); }
    void Add(const CMyByteArray& item) { items_.push_back(item); }
    const CMyByteArray& GetAt(size_t index) const { return items_.at(index); }
    CMyByteArray& operator[](size_t index) { return items_.at(index); }
    void RemoveAll() { items_.clear(); }

  private:
    std::vector<CMyByteArray> items_;
};
