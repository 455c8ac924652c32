#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tarvolen {

// The question before words are deleted from the list, naming them so that nobody
// deletes a word unseen: "Delete "co"?", "Delete "co", "mp" and "x"?", and past
// kDeleteNamed words the first two and how many more: "Delete "co", "mp" and 3
// more?". words are the first of them (UTF-8, in the order shown), count all of them.
inline constexpr std::size_t kDeleteNamed = 3;
std::string DeleteQuestion(const std::vector<std::string>& words, std::size_t count);

}  // namespace tarvolen
