#pragma once

// True in the ASan/UBSan and TSan builds. A sanitized tool runs two to three times slower and
// keeps freed memory in quarantine; tests that measure time, throughput or memory ask this.
namespace vesmor::test {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kSanitizedBuild = true;
#else
inline constexpr bool kSanitizedBuild = false;
#endif

}  // namespace vesmor::test
