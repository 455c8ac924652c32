#include "core/output/my_exception.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tarvolen {

CMyException::CMyException(std::string message, std::int16_t code)
    : Code(code), Message(std::move(message)) {}

bool CMyException::GetErrorMessage(char* buffer, std::size_t capacity,
                                   unsigned int* /*helpContext*/) const {
    // With no room for even the terminator there is nothing we may write.
    if (buffer == nullptr || capacity == 0) {
        return true;
    }
    const std::size_t count = std::min(Message.size(), capacity - 1);
    std::memcpy(buffer, Message.data(), count);
    buffer[count] = '\0';
    return true;
}

void ThrowOutputError() {
    throw CMyException(kOutputErrorText, 0);
}

}  // namespace tarvolen
