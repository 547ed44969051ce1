// The size from which the compute command shows its notice before reading a
// file: 100 MiB. The tests state it here themselves, apart from the
// program's own constant, so that a change there is caught. The native tests
// and the Windows test program both include it.
#pragma once

#include <cstdint>

inline constexpr std::uint64_t kNoticeThreshold = 104857600;
