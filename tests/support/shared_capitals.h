#pragma once

namespace tarvolen::testing {

// A Unicode list whose letters share capitals: σ and ς have Σ, Turkish ı and i have I
// ("σας σας ıi"), and the statistics report of it, as the window and the command line
// both give it.
inline constexpr const char* kSharedCapitalsText =
    "\xCF\x83\xCE\xB1\xCF\x82 \xCF\x83\xCE\xB1\xCF\x82 \xC4\xB1i";
inline constexpr const char* kSharedCapitalsReport =
    "2 words, 2 min length, 3 max length, 2.50 average length\r\n\r\n"
    "Most common word: \xCF\x83\xCE\xB1\xCF\x82 (2 times)\r\n\r\n"
    "First char cnt/percent - total char counter (cnt/percent)\r\n"
    "I (i): 0 (0.0%)\t1 (20.0%)\r\n"
    "I (\xC4\xB1): 1 (50.0%)\t1 (20.0%)\r\n"
    "\xCE\x91: 0 (0.0%)\t1 (20.0%)\r\n"
    "\xCE\xA3 (\xCF\x82): 0 (0.0%)\t1 (20.0%)\r\n"
    "\xCE\xA3 (\xCF\x83): 1 (50.0%)\t1 (20.0%)\r\n"
    "\r\nWordLen: counter / percent\r\n"
    "2: 1 (50.0%)\r\n"
    "3: 1 (50.0%)\r\n";

}  // namespace tarvolen::testing
