// Sixteen bytes at a time, for the page routines' scans over whole pages.
//
// Written with the vector extension of GCC and Clang: the compiler emits SIMD instructions where
// the target has them (SSE2 on every x86-64) and plain byte code elsewhere. A scan tests a block
// for the few bytes it cares about and, when there are none, handles all sixteen at once; only
// blocks that hold one go byte by byte, from the first such byte.
//
// Thread safety: pure functions.
#ifndef ZEB_TEXT_BYTE_BLOCK_H_
#define ZEB_TEXT_BYTE_BLOCK_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

namespace zeb::block {

using Bytes = unsigned char __attribute__((vector_size(16)));
using Mask = signed char __attribute__((vector_size(16)));  // per lane: -1 true, 0 false

inline constexpr std::size_t kSize = sizeof(Bytes);

inline Bytes Load(const char* p) {
  Bytes bytes;
  std::memcpy(&bytes, p, kSize);
  return bytes;
}

inline void Store(char* p, Bytes bytes) { std::memcpy(p, &bytes, kSize); }

// Bit k set where lane k is set.
inline unsigned Bits(Mask mask) {
#if defined(__SSE2__)
  // One instruction gathers the top bit of every lane.
  return static_cast<unsigned>(_mm_movemask_epi8(reinterpret_cast<__m128i>(mask)));
#else
  if constexpr (std::endian::native == std::endian::little) {
    std::uint64_t halves[2];
    std::memcpy(halves, &mask, sizeof(halves));
    // Gathers the top bit of each byte into the top byte of the product.
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    constexpr std::uint64_t kGather = 0x0002040810204081ULL;
    const unsigned low = static_cast<unsigned>(((halves[0] & kHighBits) * kGather) >> 56);
    const unsigned high = static_cast<unsigned>(((halves[1] & kHighBits) * kGather) >> 56);
    return low | (high << 8);
  } else {
    unsigned bits = 0;
    for (std::size_t k = 0; k < kSize; ++k) bits |= (mask[k] != 0 ? 1u : 0u) << k;
    return bits;
  }
#endif
}

inline bool Any(Mask mask) { return Bits(mask) != 0; }

// The lane of the first set lane; kSize when none is set.
inline std::size_t FirstSet(Mask mask) {
  const unsigned bits = Bits(mask);
  return bits == 0 ? kSize : static_cast<std::size_t>(std::countr_zero(bits));
}

// The first c in [p, end), or end when there is none. The first blocks are tested here, for the
// short distances that page scans mostly ask about; a longer search goes on with memchr.
inline const char* Find(const char* p, const char* end, char c) {
  for (int blocks = 0; blocks < 4 && end - p >= static_cast<std::ptrdiff_t>(kSize); ++blocks) {
    const unsigned bits = Bits(Load(p) == static_cast<unsigned char>(c));
    if (bits != 0) return p + std::countr_zero(bits);
    p += kSize;
  }
  if (p >= end) return end;
  const void* hit = std::memchr(p, c, static_cast<std::size_t>(end - p));
  return hit == nullptr ? end : static_cast<const char*>(hit);
}

// The ASCII letters A-Z lowered; every other byte kept.
inline Bytes Lower(Bytes bytes) {
  const Mask upper = (bytes >= 'A') & (bytes <= 'Z');
  return bytes + (reinterpret_cast<Bytes>(upper) & 0x20);
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define ZEB_WIDE_BLOCKS 1

// Thirty-two bytes at a time, for the scans that have a second path for processors with AVX2.
// The build targets every x86-64, so that path is chosen at run time (HasWide) and its
// functions are built with __attribute__((target("avx2"))); only they may use these.
using Wide = unsigned char __attribute__((vector_size(32)));
inline constexpr std::size_t kWideSize = sizeof(Wide);

// Whether the processor has AVX2, asked once. ZEB_NARROW_BLOCKS in the environment keeps the
// sixteen-byte paths, so that the tests check them on a processor that has AVX2 too.
inline bool HasWide() {
  static const bool wide =
      __builtin_cpu_supports("avx2") && std::getenv("ZEB_NARROW_BLOCKS") == nullptr;
  return wide;
}

__attribute__((target("avx2"))) inline Wide LoadWide(const char* p) {
  Wide bytes;
  std::memcpy(&bytes, p, kWideSize);
  return bytes;
}

// Bit k set where lane k of a comparison's result is set.
__attribute__((target("avx2"))) inline unsigned WideBits(Wide mask) {
  return static_cast<unsigned>(_mm256_movemask_epi8(reinterpret_cast<__m256i>(mask)));
}
#endif

}  // namespace zeb::block

#endif  // ZEB_TEXT_BYTE_BLOCK_H_
