/* Built by the Win32 stage only to show that the instruction check fails: compiled with -mpopcnt,
   bits() is one popcnt; compiled with -msse2 -mfpmath=sse, half() is SSE2 arithmetic. Neither is
   an instruction of the Pentium Pro. */
__attribute__((noinline)) int bits(unsigned x) { return __builtin_popcount(x); }
__attribute__((noinline)) double half(double x) { return x * 0.5; }
int main(int argc, char** argv) {
  (void)argv;
  return bits((unsigned)argc) + (int)half(argc);
}
