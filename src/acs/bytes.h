#pragma once

// Bounds-checked little-endian reading and writing of packed structures.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "acs/error.h"

namespace vistrel::acs::detail {

class ByteReader {
  public:
    // `base` is the absolute file offset of data[0]; it only serves error messages.
    explicit ByteReader(std::span<const std::uint8_t> data, std::uint64_t base = 0)
        : data_(data), base_(base) {}

    std::size_t position() const { return pos_; }
    std::uint64_t absolutePosition() const { return base_ + pos_; }
    std::size_t remaining() const { return data_.size() - pos_; }
    bool atEnd() const { return pos_ == data_.size(); }
    std::span<const std::uint8_t> data() const { return data_; }
    std::uint64_t base() const { return base_; }

    void need(std::size_t n, const char* what) const {
        if (n > remaining()) {
            throw Error(std::string(what) + ": needs " + std::to_string(n) + " bytes, only " +
                            std::to_string(remaining()) + " left",
                        absolutePosition());
        }
    }

    std::uint8_t u8(const char* what) {
        need(1, what);
        return data_[pos_++];
    }
    std::uint16_t u16(const char* what) {
        need(2, what);
        std::uint16_t v = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    std::int16_t i16(const char* what) { return static_cast<std::int16_t>(u16(what)); }
    std::uint32_t u32(const char* what) {
        need(4, what);
        std::uint32_t v = static_cast<std::uint32_t>(data_[pos_]) |
                          (static_cast<std::uint32_t>(data_[pos_ + 1]) << 8) |
                          (static_cast<std::uint32_t>(data_[pos_ + 2]) << 16) |
                          (static_cast<std::uint32_t>(data_[pos_ + 3]) << 24);
        pos_ += 4;
        return v;
    }
    std::int32_t i32(const char* what) { return static_cast<std::int32_t>(u32(what)); }

    std::span<const std::uint8_t> bytes(std::size_t n, const char* what) {
        need(n, what);
        auto s = data_.subspan(pos_, n);
        pos_ += n;
        return s;
    }
    void skip(std::size_t n, const char* what) { bytes(n, what); }

    // A list count, checked against the bytes left so that a damaged count cannot cause a
    // huge allocation: `count` items of at least `minItemSize` bytes must fit.
    std::size_t count(std::uint64_t count, std::size_t minItemSize, const char* what) const {
        if (minItemSize > 0 && count > remaining() / minItemSize) {
            throw Error(std::string(what) + ": count " + std::to_string(count) +
                            " cannot fit in the " + std::to_string(remaining()) + " bytes left",
                        absolutePosition());
        }
        return static_cast<std::size_t>(count);
    }

    // A declared count checked against a named limit: "<owner> has <n> <items>, more than
    // <limit>", at the offset where the count was read.
    static std::uint64_t limited(std::uint64_t n, std::uint64_t limit, const char* owner,
                                 const char* items, std::uint64_t at) {
        if (n > limit) {
            throw Error(std::string(owner) + " has " + std::to_string(n) + " " + items +
                            ", more than " + std::to_string(limit),
                        at);
        }
        return n;
    }

    // STRING: ULONG count of UTF-16 units, the units, and (when `terminated` and count > 0) a
    // terminating zero unit.
    std::u16string string(bool terminated, const char* what) {
        std::uint64_t at = absolutePosition();
        std::uint32_t n = u32(what);
        std::size_t units = count(n, 2, what);
        std::u16string s(units, u'\0');
        auto raw = bytes(units * 2, what);
        for (std::size_t i = 0; i < units; ++i) {
            s[i] = static_cast<char16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
        }
        if (terminated && units > 0) {
            std::uint16_t term = u16(what);
            if (term != 0) {
                throw Error(std::string(what) + ": string is not terminated", at);
            }
        }
        return s;
    }

  private:
    std::span<const std::uint8_t> data_;
    std::uint64_t base_;
    std::size_t pos_ = 0;
};

class ByteWriter {
  public:
    std::vector<std::uint8_t>& buffer() { return out_; }
    std::size_t size() const { return out_.size(); }
    std::vector<std::uint8_t> take() { return std::move(out_); }

    void u8(std::uint8_t v) { out_.push_back(v); }
    void u16(std::uint16_t v) {
        out_.push_back(static_cast<std::uint8_t>(v));
        out_.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void i16(std::int16_t v) { u16(static_cast<std::uint16_t>(v)); }
    void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
    }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void bytes(std::span<const std::uint8_t> b) { out_.insert(out_.end(), b.begin(), b.end()); }
    void string(std::u16string_view s, bool terminated) {
        u32(static_cast<std::uint32_t>(s.size()));
        for (char16_t c : s) {
            u16(static_cast<std::uint16_t>(c));
        }
        if (terminated && !s.empty()) {
            u16(0);
        }
    }
    // Overwrites a ULONG written earlier (for sizes known only afterwards).
    void patchU32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            out_[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        }
    }

  private:
    std::vector<std::uint8_t> out_;
};

}  // namespace vistrel::acs::detail
