#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vistrel::acs {

// Raised for every malformed, truncated or unsupported input. The message says what is wrong
// and, when it is known, the byte offset in the file (or in the decoded block) where it is.
class Error : public std::runtime_error {
  public:
    static constexpr std::uint64_t kNoOffset = ~std::uint64_t{0};

    explicit Error(const std::string& what, std::uint64_t offset = kNoOffset)
        : std::runtime_error(format(what, offset)), message_(what), offset_(offset) {}

    // Byte offset the error refers to, or kNoOffset.
    std::uint64_t offset() const noexcept { return offset_; }
    // The description without the offset.
    const std::string& message() const noexcept { return message_; }
    // The same error with `context` (such as a file name) put in front.
    Error within(const std::string& context) const {
        return Error(context + ": " + message_, offset_);
    }

  private:
    static std::string format(const std::string& what, std::uint64_t offset);

    std::string message_;
    std::uint64_t offset_;
};

}  // namespace vistrel::acs
