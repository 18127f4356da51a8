/* Built by the Win32 stage only to show that the instruction check fails on each kind of
   instruction an 80386 lacks. One probe per build, chosen by -DPROBE_...; each is linked without
   any library (entry probe_start), so its image holds nothing but its own code:
     PROBE_CMOV    -march=i686       a maximum, one cmov (Pentium Pro)
     PROBE_BSWAP   -march=i486       a byte swap, one bswap (486)
     PROBE_X87     (default maths)   double arithmetic on the x87
     PROBE_POPCNT  -mpopcnt          a bit count, one popcnt
     PROBE_SSE     -msse2 -mfpmath=sse   double arithmetic in SSE2
     PROBE_NONE    -march=i386       integer code only: the check must pass it */
volatile int probe_input = 3;

#if defined(PROBE_CMOV)
__attribute__((noinline)) static int probe(int x) { return x > 7 ? x : 7; }
#elif defined(PROBE_BSWAP)
__attribute__((noinline)) static int probe(int x) { return (int)__builtin_bswap32((unsigned)x); }
#elif defined(PROBE_POPCNT)
__attribute__((noinline)) static int probe(int x) { return __builtin_popcount((unsigned)x); }
#elif defined(PROBE_X87) || defined(PROBE_SSE)
__attribute__((noinline)) static int probe(int x) { return (int)((double)x * 0.5); }
#else
__attribute__((noinline)) static int probe(int x) { return x * 3 + 1; }
#endif

int probe_start(void) __asm__("probe_start");
int probe_start(void) { return probe(probe_input); }
