// 64-bit division for i686, which gcc calls for a 64-bit '/' or '%' (HelpText's byte counts,
// DialogUnits' rounding). libgcc's own are built for the Pentium Pro; these are shift and subtract,
// with the processor's 32-bit divide when both operands fit in 32 bits. Division by zero divides
// by zero in 32 bits, so it faults as the hardware's own divide does.
//
// VX_CRT_NAME lets the host test build this same file under other names and compare each
// function with the host's own division.
#include <cstdint>

#ifndef VX_CRT_NAME
#define VX_CRT_NAME(name) name
#endif

#if defined(__i386__) || defined(VX_CRT_HOST_TEST)

using U64 = std::uint64_t;
using I64 = std::int64_t;

extern "C" {

U64 VX_CRT_NAME(__udivmoddi4)(U64 dividend, U64 divisor, U64* remainder) {
  if (divisor == 0) {
    std::uint32_t zero = 0;
    __asm__ volatile("" : "+r"(zero));  // a real divide, not one the compiler may assume away
    return static_cast<std::uint32_t>(dividend) / zero;
  }
  U64 quotient = 0;
  if (!(dividend >> 32)) {
    const auto a = static_cast<std::uint32_t>(dividend);
    const auto b = static_cast<std::uint32_t>(divisor);
    if (divisor >> 32) {
      quotient = 0;
    } else {
      quotient = a / b;
      dividend = a % b;
    }
  } else {
    int shift = 0;
    while (!(divisor >> 63) && (divisor << 1) <= dividend) {
      divisor <<= 1;
      ++shift;
    }
    for (; shift >= 0; --shift, divisor >>= 1) {
      quotient <<= 1;
      if (dividend >= divisor) {
        dividend -= divisor;
        quotient |= 1;
      }
    }
  }
  if (remainder) *remainder = dividend;
  return quotient;
}

U64 VX_CRT_NAME(__udivdi3)(U64 dividend, U64 divisor) {
  return VX_CRT_NAME(__udivmoddi4)(dividend, divisor, nullptr);
}

U64 VX_CRT_NAME(__umoddi3)(U64 dividend, U64 divisor) {
  U64 remainder = 0;
  VX_CRT_NAME(__udivmoddi4)(dividend, divisor, &remainder);
  return remainder;
}

// Signed: the quotient truncates toward zero, the remainder takes the dividend's sign.
I64 VX_CRT_NAME(__divmoddi4)(I64 dividend, I64 divisor, I64* remainder) {
  const U64 a = dividend < 0 ? 0 - static_cast<U64>(dividend) : static_cast<U64>(dividend);
  const U64 b = divisor < 0 ? 0 - static_cast<U64>(divisor) : static_cast<U64>(divisor);
  U64 rest = 0;
  U64 quotient = VX_CRT_NAME(__udivmoddi4)(a, b, &rest);
  if ((dividend < 0) != (divisor < 0)) quotient = 0 - quotient;
  if (dividend < 0) rest = 0 - rest;
  if (remainder) *remainder = static_cast<I64>(rest);
  return static_cast<I64>(quotient);
}

I64 VX_CRT_NAME(__divdi3)(I64 dividend, I64 divisor) {
  return VX_CRT_NAME(__divmoddi4)(dividend, divisor, nullptr);
}

I64 VX_CRT_NAME(__moddi3)(I64 dividend, I64 divisor) {
  I64 remainder = 0;
  VX_CRT_NAME(__divmoddi4)(dividend, divisor, &remainder);
  return remainder;
}

}  // extern "C"

#endif
