#include "platform/line_scan.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace line_scan {
namespace {

using string_list_detail::Scan;

// The stops of one block from its masks of LF, CR and zero bytes.
inline uint64_t Stops(uint64_t lf, uint64_t cr, uint64_t zero) { return (lf & ~(cr << 1)) | cr | zero; }

// Appends the places of the set bits of `mask`, which describes the bytes
// from `base` on, at places[n]; returns the new count. A few places are
// written whether the mask has that many bits or not (the ones too many are
// overwritten later), so that most blocks take no branch on their count.
[[gnu::always_inline]] inline size_t AddPlaces(uint64_t mask, size_t base, uint16_t* places, size_t n) {
  constexpr int Unrolled = 4;
  const int count = __builtin_popcountll(mask);
#pragma GCC unroll 4
  for (int i = 0; i < Unrolled; ++i) {
    // An empty mask has no lowest bit (__builtin_ctzll is undefined for it):
    // its place, one past the block, is never counted.
    places[n + static_cast<size_t>(i)] = static_cast<uint16_t>(base + (mask ? __builtin_ctzll(mask) : 64));
    mask &= mask - 1;
  }
  for (int i = Unrolled; i < count; ++i) {
    places[n + static_cast<size_t>(i)] = static_cast<uint16_t>(base + __builtin_ctzll(mask));
    mask &= mask - 1;
  }
  return n + static_cast<size_t>(count);
}

Found ScanPlain(const char* p, size_t blocks, uint16_t* places) {
  Found found{0, false};
  for (size_t b = 0; b < blocks; ++b) {
    uint64_t lf = 0, cr = 0, zero = 0;
    for (int i = 0; i < 64; ++i) {
      const uint64_t bit = uint64_t{1} << i;
      const char c = p[b * 64 + static_cast<size_t>(i)];
      if (c == '\n') lf |= bit;
      if (c == '\r') cr |= bit;
      if (c == '\0') zero |= bit;
    }
    found.count = AddPlaces(Stops(lf, cr, zero), b * 64, places, found.count);
    found.zero |= zero != 0;
  }
  return found;
}

#if defined(__x86_64__)
Found ScanSse2(const char* p, size_t blocks, uint16_t* places) {
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i zero = _mm_setzero_si128();
  __m128i zeros = _mm_setzero_si128();
  size_t n = 0;
  for (size_t b = 0; b < blocks; ++b) {
    uint64_t lfs = 0, crs = 0, nuls = 0;
    for (int i = 0; i < 4; ++i) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + b * 64 + 16 * static_cast<size_t>(i)));
      const __m128i z = _mm_cmpeq_epi8(v, zero);
      zeros = _mm_or_si128(zeros, z);
      lfs |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)))} << (16 * i);
      crs |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, cr)))} << (16 * i);
      nuls |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(z))} << (16 * i);
    }
    n = AddPlaces(Stops(lfs, crs, nuls), b * 64, places, n);
  }
  return {n, _mm_movemask_epi8(zeros) != 0};
}

#define QMT_AVX2 __attribute__((target("avx2,bmi,popcnt")))

QMT_AVX2 inline uint64_t Bits(__m256i lo, __m256i hi) {
  return uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(lo))} |
         uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(hi))} << 32;
}

QMT_AVX2 Found ScanAvx2(const char* p, size_t blocks, uint16_t* places) {
  const __m256i lf = _mm256_set1_epi8('\n');
  const __m256i cr = _mm256_set1_epi8('\r');
  const __m256i zero = _mm256_setzero_si256();
  __m256i zeros = _mm256_setzero_si256();
  size_t n = 0;
  for (size_t b = 0; b < blocks; ++b) {
    const __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + b * 64));
    const __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + b * 64 + 32));
    const __m256i zlo = _mm256_cmpeq_epi8(lo, zero);
    const __m256i zhi = _mm256_cmpeq_epi8(hi, zero);
    zeros = _mm256_or_si256(zeros, _mm256_or_si256(zlo, zhi));
    const uint64_t lfs = Bits(_mm256_cmpeq_epi8(lo, lf), _mm256_cmpeq_epi8(hi, lf));
    const uint64_t crs = Bits(_mm256_cmpeq_epi8(lo, cr), _mm256_cmpeq_epi8(hi, cr));
    n = AddPlaces(Stops(lfs, crs, Bits(zlo, zhi)), b * 64, places, n);
  }
  return {n, !_mm256_testz_si256(zeros, zeros)};
}

bool HasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("popcnt");
}
#endif

ScanFn Best() {
#if defined(__x86_64__)
  return HasAvx2() ? ScanAvx2 : ScanSse2;
#else
  return ScanPlain;
#endif
}

ScanFn& InUse() {
  static ScanFn scan = Best();
  return scan;
}

}  // namespace

ScanFn Current() { return InUse(); }

bool Select(Scan scan) {
  switch (scan) {
    case Scan::Best:
      InUse() = Best();
      return true;
    case Scan::Plain:
      InUse() = ScanPlain;
      return true;
#if defined(__x86_64__)
    case Scan::Sse2:
      InUse() = ScanSse2;
      return true;
    case Scan::Avx2:
      if (!HasAvx2()) return false;
      InUse() = ScanAvx2;
      return true;
#endif
    default:
      return false;
  }
}

}  // namespace line_scan

bool string_list_detail::SelectScan(Scan scan) { return line_scan::Select(scan); }
