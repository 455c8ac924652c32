#pragma once

#include "core/store/word_store.h"

namespace tarvolen {

class MessagePort;

// What every program tells the user when the word store's memory runs out: at its
// start, when no store can be made at all (the desktop program then ends quietly, a
// command line with a failure), and when a new word cannot be held.
inline constexpr const char* kNoArenaText = "Unable to allocate memory buffer";
inline constexpr const char* kGrowthFailedText = "out of memory!";

// options, with a refused growth shown through messages as a warning.
WordStore::Options ReportingStoreOptions(MessagePort& messages, WordStore::Options options = {});

}  // namespace tarvolen
