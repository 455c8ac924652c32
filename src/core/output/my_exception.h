#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

namespace tarvolen {

// Carries a failed write of the word list up to the command that started the save,
// where the main window shows it with the stop icon.
class CMyException : public std::exception {
  public:
    CMyException(std::string message, std::int16_t code);

    // Copies the message into buffer, truncated to capacity - 1 characters and always
    // terminated (when capacity > 0). helpContext is never written.
    bool GetErrorMessage(char* buffer, std::size_t capacity,
                         unsigned int* helpContext = nullptr) const;

    const char* what() const noexcept override { return Message.c_str(); }
    const std::string& GetMessage() const { return Message; }
    std::int16_t GetCode() const { return Code; }

  private:
    std::int16_t Code;
    std::string Message;
};

inline constexpr const char* kOutputErrorText = "Unable to write to the output file";

// Throws CMyException("Unable to write to the output file", 0).
[[noreturn]] void ThrowOutputError();

}  // namespace tarvolen
