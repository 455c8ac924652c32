#pragma once

#include <mpi.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/store/word_store.h"

namespace tarvolen {

// A word as the processes exchange it: its bytes, its count and its range, packed as
// three 32-bit numbers (the length's top bit: counted in the document shared by all)
// and the bytes (kRecordHeadBytes + the word's length).
inline constexpr std::size_t kRecordHeadBytes = 12;

// What a process sends in one round, at most (a record that begins below it ends the
// round): the rounds keep the buffers of an exchange at a fixed size whatever the
// size of the list.
inline constexpr std::size_t kRoundBytes = 64u << 20;

// The process that owns a word: a mix of the store's hash, so that the words one
// process owns still spread over all the buckets of its own store.
int OwnerOf(std::string_view word, int processes);

// Every process's words to their owners (MPI_Alltoallv in rounds), merged into
// owned, whose counts and ranges add and saturate as the store's do; a null store has
// none to give. Collective.
void ExchangeByOwner(const WordStore* counted, WordStore& owned, MPI_Comm comm);

// The same with the words kept where they were counted: store gives away the words
// that others own and takes in those it owns, so
// no more memory is touched than the words it takes in need. The document each
// process's store was reading last is one and the same, which several of them read
// parts of (see CountShare): each word's range counts it once. Collective.
void KeepOwnedWords(WordStore& store, MPI_Comm comm);

// The words of one document that several processes read parts of, each process's
// counted with a range of 1 (null: it read none), to their owners: into owned with
// their counts added and the document counted once in their ranges, as a document
// owned begins. Collective.
void ExchangeDocumentWords(const WordStore* counted, WordStore& owned, MPI_Comm comm);

}  // namespace tarvolen
