#pragma once

namespace tarvolen::testing {

// Whether this code is built with AddressSanitizer or ThreadSanitizer. Both map shadow
// memory and bring their own allocator: they cannot start under an address-space
// limit, end the process themselves where memory runs out, and run several times
// slower. GCC, and clang from 15 on, say so through __SANITIZE_ADDRESS__ and
// __SANITIZE_THREAD__; clang 14 only through __has_feature.
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

#if defined(__SANITIZE_THREAD__)
inline constexpr bool kThreadSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
inline constexpr bool kThreadSanitizer = true;
#else
inline constexpr bool kThreadSanitizer = false;
#endif
#else
inline constexpr bool kThreadSanitizer = false;
#endif

inline constexpr bool kSanitized = kAddressSanitizer || kThreadSanitizer;

}  // namespace tarvolen::testing
