#include "xml/xmlarena.h"

#include <cstdint>
#include <new>

namespace {
constexpr size_t kAlignment = alignof(std::max_align_t);
constexpr size_t kMaxChunkSize = size_t(1) << 20;
}  // namespace

TXmlArena::TXmlArena(TXmlNameTable* names) : names_(names) {}

void TXmlArena::CommitNodeRefs() {
  if (pendingNodeRefs_) AddRefs(pendingNodeRefs_);
  pendingNodeRefs_ = 0;
}

TXmlArena::~TXmlArena() {
  for (char* chunk : chunks_) ::operator delete(chunk);
}

void* TXmlArena::Allocate(size_t size) {
  size_t padding = (kAlignment - (uintptr_t(next_) & (kAlignment - 1))) & (kAlignment - 1);
  next_ = size_t(end_ - next_) >= padding ? next_ + padding : end_;  // new chunks are aligned
  return AllocateText(size);
}

void TXmlArena::NewChunk(size_t size) {
  // Chunks double up to 1 MB, so that small documents stay small.
  size_t chunkSize = chunkSize_ > size ? chunkSize_ : size;
  chunks_.reserve(chunks_.size() + 1);
  char* chunk = static_cast<char*>(::operator new(chunkSize));
  chunks_.push_back(chunk);
  next_ = chunk;
  end_ = chunk + chunkSize;
  if (chunkSize_ < kMaxChunkSize) chunkSize_ *= 2;
}
