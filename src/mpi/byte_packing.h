#pragma once

#include <array>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace tarvolen {

// What the processes send one another: numbers in the machine's own byte order (every
// process of a job runs the same program on the same kind of machine), strings and
// lists behind their lengths, fixed arrays as their items.
//
// A message lists its fields once, in a free function that both directions walk, so
// that the two can never disagree on the order:
//
//   void Fields(auto& walk, MessageOf<Report> auto& report) {
//       walk(report.outcome, report.notes);
//   }
//
// BytePacker's walk writes them (report const), ByteUnpacker's reads them back. A
// list of structs walks each struct's own Fields.
template <typename Self, typename Message>
concept MessageOf = std::same_as<std::remove_const_t<Self>, Message>;

template <typename Number>
concept PackedNumber = std::is_arithmetic_v<Number> || std::is_enum_v<Number>;

class BytePacker {
  public:
    explicit BytePacker(std::string& into) : bytes_(into) {}

    template <typename... Field>
    void operator()(const Field&... fields) {
        (Walk(fields), ...);
    }
    // Two lists of one length, item beside item.
    template <typename First, typename Second>
    void Pairs(const std::vector<First>& first, const std::vector<Second>& second) {
        Put(static_cast<std::uint64_t>(first.size()));
        for (std::size_t i = 0; i < first.size(); ++i)
            (*this)(first[i], second[i]);
    }

    template <typename Number>
    requires std::is_arithmetic_v<Number> || std::is_enum_v<Number>
    void Put(Number value) { bytes_.append(reinterpret_cast<const char*>(&value), sizeof value); }
    void PutText(std::string_view text) {
        Put(static_cast<std::uint64_t>(text.size()));
        bytes_.append(text);
    }

  private:
    template <PackedNumber Number>
    void Walk(Number value) {
        Put(value);
    }
    void Walk(const std::string& text) { PutText(text); }
    template <typename Item, std::size_t N>
    void Walk(const std::array<Item, N>& items) {
        for (const Item& item : items)
            Walk(item);
    }
    template <typename Item>
    void Walk(const std::vector<Item>& items) {
        Put(static_cast<std::uint64_t>(items.size()));
        for (const Item& item : items)
            Walk(item);
    }
    template <typename Message>
    requires std::is_class_v<Message>
    void Walk(const Message& message) { Fields(*this, message); }

    std::string& bytes_;
};

class ByteUnpacker {
  public:
    explicit ByteUnpacker(std::string_view bytes) : bytes_(bytes) {}

    template <typename... Field>
    void operator()(Field&... fields) {
        (Walk(fields), ...);
    }
    template <typename First, typename Second>
    void Pairs(std::vector<First>& first, std::vector<Second>& second) {
        const auto size = static_cast<std::size_t>(Get<std::uint64_t>());
        first.resize(size);
        second.resize(size);
        for (std::size_t i = 0; i < size; ++i)
            (*this)(first[i], second[i]);
    }

    template <typename Number>
    requires std::is_arithmetic_v<Number> || std::is_enum_v<Number> Number Get() {
        Number value;
        std::memcpy(&value, Take(sizeof value).data(), sizeof value);
        return value;
    }
    std::string_view GetText() { return Take(Get<std::uint64_t>()); }
    bool AtEnd() const { return at_ == bytes_.size(); }

  private:
    template <PackedNumber Number>
    void Walk(Number& value) {
        value = Get<Number>();
    }
    void Walk(std::string& text) { text = GetText(); }
    template <typename Item, std::size_t N>
    void Walk(std::array<Item, N>& items) {
        for (Item& item : items)
            Walk(item);
    }
    template <typename Item>
    void Walk(std::vector<Item>& items) {
        items.resize(static_cast<std::size_t>(Get<std::uint64_t>()));
        for (Item& item : items)
            Walk(item);
    }
    template <typename Message>
    requires std::is_class_v<Message>
    void Walk(Message& message) { Fields(*this, message); }

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

// A whole message as bytes, and back.
template <typename Message>
std::string PackMessage(const Message& message) {
    std::string bytes;
    BytePacker out(bytes);
    Fields(out, message);
    return bytes;
}

template <typename Message>
Message UnpackMessage(std::string_view bytes) {
    ByteUnpacker in(bytes);
    Message message{};
    Fields(in, message);
    return message;
}

}  // namespace tarvolen
