#pragma once

#include "core/concordance/occurrences.h"

namespace tarvolen {

// Appends the occurrences of another reading (of other documents, read under other Add
// options) to into, after its own: their documents and places, and, where both were
// read with neighbours, the neighbouring words, which share one table of words.
void JoinConcordance(Concordance& into, Concordance&& from);

}  // namespace tarvolen
