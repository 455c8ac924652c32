#pragma once

#include <cstdint>
#include <string>

namespace tarvolen {

// What the first process tells the others to take part in next.
enum class Order : std::int64_t {
    Count = 1,   // read a job's files (a packed CountJob)
    End,         // the run is over (its exit status)
    Distribute,  // the first's merged list to the owners of its words
    Filter,      // one filter of the command line
    Compare,     // the keyword rows against the reference
    Statistics,  // the figures of the list
    Write,       // the list sorted, to the first
    Measures,    // the measures of the vocabulary
};

// The first process: the order and what it needs, to every other.
void SendOrder(Order order, const std::string& details = {});

struct Ordered {
    Order order;
    std::string details;
};
// Every other process: the next order of the first.
Ordered NextOrder();

}  // namespace tarvolen
