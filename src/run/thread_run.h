#pragma once

#include <exception>

#include "core/ingest/ingest.h"
#include "core/ingest/run_state.h"

namespace tarvolen {

// A thread's own run state, reading as the run it serves reads: its Add options and
// alphabet, the list it adds to, one lemma list for every thread (the forms they meet
// going to the run's tally), and the hooks' way with streams and read seams.
void ReadAsModel(const RunState& model, const IngestState& modelState, const IngestHooks& hooks,
                 RunState& run, IngestState& state, IngestHooks& own);

// How a thread's reading ended.
enum class ThreadEnding { Normal, Cancelled, OutOfMemory, Failed };

// Within a catch (...): how the exception being handled ends the thread's reading;
// one of no known kind is kept in failure, to be thrown again once all threads are done.
ThreadEnding EndingOfCurrent(std::exception_ptr& failure);

}  // namespace tarvolen
