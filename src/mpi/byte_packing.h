#pragma once

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>

namespace tarvolen {

// What the processes send one another: numbers in the machine's own byte order (every
// process of a job runs the same program on the same kind of machine) and strings
// behind their lengths.
class BytePacker {
  public:
    explicit BytePacker(std::string& into) : bytes_(into) {}

    template <typename Number>
    requires std::is_arithmetic_v<Number> || std::is_enum_v<Number>
    void Put(Number value) { bytes_.append(reinterpret_cast<const char*>(&value), sizeof value); }
    void PutText(std::string_view text) {
        Put(static_cast<std::uint64_t>(text.size()));
        bytes_.append(text);
    }

  private:
    std::string& bytes_;
};

class ByteUnpacker {
  public:
    explicit ByteUnpacker(std::string_view bytes) : bytes_(bytes) {}

    template <typename Number>
    requires std::is_arithmetic_v<Number> || std::is_enum_v<Number> Number Get() {
        Number value;
        std::memcpy(&value, Take(sizeof value).data(), sizeof value);
        return value;
    }
    std::string_view GetText() { return Take(Get<std::uint64_t>()); }
    bool AtEnd() const { return at_ == bytes_.size(); }

  private:
    // A short message is a fault of this program, never of its input.
    std::string_view Take(std::size_t size) {
        if (size > bytes_.size() - at_)
            throw std::logic_error("a message between the processes ends early");
        const std::string_view part = bytes_.substr(at_, size);
        at_ += size;
        return part;
    }

    std::string_view bytes_;
    std::size_t at_ = 0;
};

}  // namespace tarvolen
