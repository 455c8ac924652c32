#pragma once

namespace tarvolen::testing {

// Whether this code is built with AddressSanitizer, which cannot start under an
// address-space limit and ends the process itself where memory runs out. GCC, and
// clang from 15 on, say so through __SANITIZE_ADDRESS__; clang 14 only through
// __has_feature.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif
#else
inline constexpr bool kAddressSanitizer = false;
#endif

}  // namespace tarvolen::testing
