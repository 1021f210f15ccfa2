#pragma once

// Whether this test program runs under AddressSanitizer, whose allocator rounds sizes its own
// way and which reserves far more address space than any limit: tests of heap sizes or of
// address-space limits skip there.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool underAddressSanitizer = true;
#else
inline constexpr bool underAddressSanitizer = false;
#endif
