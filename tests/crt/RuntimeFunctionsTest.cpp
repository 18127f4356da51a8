// The run-time's memory and string functions against the host's C library, and its 64-bit
// division against the host's own: every length up to 40 at every alignment offset, bytes on both
// sides of 0x80 (comparisons are of unsigned bytes), overlapping moves in both directions, and
// division at the 32- and 64-bit boundaries.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" {
void* vx_host_memcpy(void*, const void*, std::size_t);
void* vx_host_memmove(void*, const void*, std::size_t);
void* vx_host_memset(void*, int, std::size_t);
int vx_host_memcmp(const void*, const void*, std::size_t);
void* vx_host_memchr(const void*, int, std::size_t);
std::size_t vx_host_strlen(const char*);
std::size_t vx_host_strnlen(const char*, std::size_t);
int vx_host_strcmp(const char*, const char*);
int vx_host_strncmp(const char*, const char*, std::size_t);
std::uint64_t vx_host___udivdi3(std::uint64_t, std::uint64_t);
std::uint64_t vx_host___umoddi3(std::uint64_t, std::uint64_t);
std::uint64_t vx_host___udivmoddi4(std::uint64_t, std::uint64_t, std::uint64_t*);
std::int64_t vx_host___divdi3(std::int64_t, std::int64_t);
std::int64_t vx_host___moddi3(std::int64_t, std::int64_t);
}

namespace {

int Sign(int value) { return (value > 0) - (value < 0); }

// A buffer of `size` bytes, each from a small generator that crosses 0x80 and includes 0.
std::vector<unsigned char> Bytes(std::size_t size, unsigned seed) {
  std::vector<unsigned char> bytes(size);
  for (auto& byte : bytes) {
    seed = seed * 1103515245 + 12345;
    byte = static_cast<unsigned char>(seed >> 16);
  }
  return bytes;
}

TEST(RuntimeFunctions, MemoryFunctionsAnswerAsTheCLibrary) {
  for (std::size_t length = 0; length <= 40; ++length) {
    for (std::size_t offset = 0; offset < 4; ++offset) {
      auto source = Bytes(length + 8, static_cast<unsigned>(length * 7 + offset));
      std::vector<unsigned char> ours(length + 8, 0xAA), theirs(length + 8, 0xAA);
      EXPECT_EQ(vx_host_memcpy(ours.data() + offset, source.data(), length), ours.data() + offset);
      std::memcpy(theirs.data() + offset, source.data(), length);
      EXPECT_EQ(ours, theirs) << "memcpy " << length << " at " << offset;

      EXPECT_EQ(vx_host_memset(ours.data() + offset, 0x1C3, length), ours.data() + offset);
      std::memset(theirs.data() + offset, 0x1C3, length);
      EXPECT_EQ(ours, theirs) << "memset " << length << " at " << offset;

      // Overlapping moves, forward and backward by `offset` + 1.
      for (int direction : {1, -1}) {
        auto a = Bytes(length + 16, static_cast<unsigned>(length)), b = a;
        unsigned char* from = a.data() + 8;
        const std::ptrdiff_t shift = direction * static_cast<std::ptrdiff_t>(offset + 1);
        vx_host_memmove(from + shift, from, length);
        std::memmove(b.data() + 8 + shift, b.data() + 8, length);
        EXPECT_EQ(a, b) << "memmove " << length << " by " << shift;
      }

      // Comparisons: equal, then one byte changed at each place, above and below (across 0x80).
      auto left = Bytes(length, 99), right = left;
      EXPECT_EQ(vx_host_memcmp(left.data(), right.data(), length), 0);
      for (std::size_t at = 0; at < length; ++at) {
        for (unsigned char value : {0x00, 0x7F, 0x80, 0xFF}) {
          right = left;
          right[at] = value;
          EXPECT_EQ(Sign(vx_host_memcmp(left.data(), right.data(), length)),
                    Sign(std::memcmp(left.data(), right.data(), length)))
              << "memcmp " << length << " at " << at;
          const void* found = std::memchr(left.data(), value, length);
          EXPECT_EQ(vx_host_memchr(left.data(), value + 0x100, length), found)
              << "memchr " << int{value} << " in " << length;
        }
      }
    }
  }
}

TEST(RuntimeFunctions, StringFunctionsAnswerAsTheCLibrary) {
  const char* texts[] = {"", "a", "ab", "abc", "abd", "ab\x80", "ab\x7f", "\xff", "NUL=C:\\x",
                         "nul=c:\\x", "abcdefghijklmnopqrstuvwxyz0123456789"};
  for (const char* a : texts) {
    EXPECT_EQ(vx_host_strlen(a), std::strlen(a)) << a;
    for (std::size_t limit = 0; limit < 8; ++limit)
      EXPECT_EQ(vx_host_strnlen(a, limit), ::strnlen(a, limit)) << a << " " << limit;
    for (const char* b : texts) {
      EXPECT_EQ(Sign(vx_host_strcmp(a, b)), Sign(std::strcmp(a, b))) << a << " " << b;
      for (std::size_t limit = 0; limit < 6; ++limit)
        EXPECT_EQ(Sign(vx_host_strncmp(a, b, limit)), Sign(std::strncmp(a, b, limit)))
            << a << " " << b << " " << limit;
    }
  }
}

TEST(RuntimeFunctions, DivisionAnswersAsTheHost) {
  const std::uint64_t values[] = {1,           2,           3,           7,
                                  10,          0xFFFFFFFFu, 0x100000000u, 0x100000001u,
                                  0x123456789ABCDEFull,     0x7FFFFFFFFFFFFFFFull,
                                  0x8000000000000000ull,    0xFFFFFFFFFFFFFFFFull};
  for (std::uint64_t a : values) {
    for (std::uint64_t b : values) {
      for (std::uint64_t x : {a, a - 1, 0 * a}) {
        std::uint64_t rest = 0;
        EXPECT_EQ(vx_host___udivmoddi4(x, b, &rest), x / b) << x << " / " << b;
        EXPECT_EQ(rest, x % b) << x << " % " << b;
        EXPECT_EQ(vx_host___udivdi3(x, b), x / b);
        EXPECT_EQ(vx_host___umoddi3(x, b), x % b);
        for (std::int64_t sx : {1, -1}) {
          for (std::int64_t sb : {1, -1}) {
            const auto p = static_cast<std::int64_t>(x >> 1) * sx;
            const auto q = static_cast<std::int64_t>(b >> 1 | 1) * sb;
            EXPECT_EQ(vx_host___divdi3(p, q), p / q) << p << " / " << q;
            EXPECT_EQ(vx_host___moddi3(p, q), p % q) << p << " % " << q;
          }
        }
      }
    }
  }
}

}  // namespace
