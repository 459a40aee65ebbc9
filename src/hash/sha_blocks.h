#pragma once
// Whole-block compression routines for SHA-1 and SHA-256. Each takes the hash words (5 or 8) and `count`
// consecutive 64-byte blocks of big-endian message words.
#include <cstddef>
#include <cstdint>

#include "hash/sha_words.h"

namespace brisvane {

using BlockFunction = void (*)(Word* hash, const std::uint8_t* blocks, std::size_t count);

// Plain C++, any CPU.
void Sha1BlocksPortable(Word* hash, const std::uint8_t* blocks, std::size_t count);
void Sha256BlocksPortable(Word* hash, const std::uint8_t* blocks, std::size_t count);

// The SHA-extension routines, or nullptr unless this is an x86-64 build on a CPU with the SHA extensions,
// SSSE3 and SSE4.1.
BlockFunction Sha1BlocksAccelerated();
BlockFunction Sha256BlocksAccelerated();

// The fastest routine this machine can run.
BlockFunction Sha1BlocksBest();
BlockFunction Sha256BlocksBest();

}  // namespace brisvane
