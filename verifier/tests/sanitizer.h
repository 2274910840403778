// Whether this test program runs under AddressSanitizer, which shadows every byte, keeps freed
// blocks for a while and reserves terabytes of address space: resident sizes and address-space
// limits say nothing about the program's own there.
#pragma once

namespace kovra::verifier::testing {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kUnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kUnderAddressSanitizer = true;
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif

}  // namespace kovra::verifier::testing
