#pragma once
// A hint to the processor to start reading memory that the program reads
// soon. It changes nothing the program does, only how long it waits: the
// refresh walks rows and looks up entries scattered over a large memory.

#include <cstddef>

namespace portolan {

inline constexpr std::size_t kCacheLine = 64;

inline void Prefetch(const void* address) {
#if defined(__GNUC__)
  __builtin_prefetch(address);
#else
  static_cast<void>(address);
#endif
}

// Every cache line of an object.
template <typename T>
void PrefetchObject(const T& object) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&object);
  for (std::size_t offset = 0; offset < sizeof(T); offset += kCacheLine) {
    Prefetch(bytes + offset);
  }
}

}  // namespace portolan
