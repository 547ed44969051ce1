// Forced into every translation unit of a hardened build: records the
// _FORTIFY_SOURCE level the unit was compiled with, in the object it becomes.
// A fortified build shows itself through the C library's checked (*_chk)
// calls only where the compiler could not prove a size safe; where it proved
// every one, nothing would show that the level was on. Each unit therefore
// leaves one record, "_FORTIFY_SOURCE=N", which the hardening checks read
// from the linked program: a unit built without the level, or without the
// optimisation that the level needs, records 0.
//   ELF: a section of its own that is not loaded (kept by strip); its type
//        as %progbits, which every assembler takes (@ starts a comment on Arm).
//   PE:  a grouped part of .rdata, since an image's section names are short.
#define QUORVIN_FORTIFY_TEXT_(level) #level
#define QUORVIN_FORTIFY_TEXT(level) QUORVIN_FORTIFY_TEXT_(level)
#if defined(__OPTIMIZE__) && defined(_FORTIFY_SOURCE) && _FORTIFY_SOURCE > 0
#define QUORVIN_FORTIFY_LEVEL QUORVIN_FORTIFY_TEXT(_FORTIFY_SOURCE)
#else
#define QUORVIN_FORTIFY_LEVEL "0"
#endif
#ifdef _WIN32
[[gnu::used, gnu::section(".rdata$quorvin_fortify")]] static const char kQuorvinFortifyRecord[] =
    "_FORTIFY_SOURCE=" QUORVIN_FORTIFY_LEVEL;
#else
// clang-format off: one line of assembly a line of source
__asm__(
    ".pushsection .quorvin.fortify,\"\",%progbits\n\t"
    ".asciz \"_FORTIFY_SOURCE=" QUORVIN_FORTIFY_LEVEL
    "\"\n\t"
    ".popsection");
// clang-format on
#endif
