#pragma once

// The first stage of the scan in each instruction set it is written for; each
// returns what CandidateFilter::Next does. Only candidate_filter*.cpp use this.

#include <cstddef>
#include <cstdint>

#include "sigdb/candidate_filter.h"

#if defined(__x86_64__) || defined(__i386__)
#define VANTRIC_X86 1
#endif

#if defined(__i386__)
// 32-bit Windows promises the stack 4-byte alignment only; vectors spilled to
// it want 16 or more.
#define VANTRIC_ALIGN_STACK __attribute__((force_align_arg_pointer))
#else
#define VANTRIC_ALIGN_STACK
#endif

namespace vantric::candidate_engines {

using Tables = CandidateFilter::Tables;

// The plain loop, one position at a time: the reference the others must
// agree with, and their tail.
std::size_t NextScalar(const Tables& tables, const std::uint8_t* bytes, std::size_t at, std::size_t end,
                       std::size_t longEnd, std::size_t phase);

#ifdef VANTRIC_X86
std::size_t NextAvx2(const Tables& tables, const std::uint8_t* bytes, std::size_t at, std::size_t end,
                     std::size_t longEnd, std::size_t phase);
#endif

}  // namespace vantric::candidate_engines
