#include "xml/xmlarena.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace {
// Each chunk begins with the address of the one before it.
constexpr size_t kChunkHeader = 8;
constexpr size_t kMinChunkSize = 4096;
constexpr size_t kMaxChunkSize = size_t(1) << 20;
}  // namespace

TXmlArena::TXmlArena(TXmlNameTable* names) : names_(names) {}

void TXmlArena::CommitNodeRefs() {
  const int32_t pending = nodeCount_ - committedNodes_;
  if (pending) AddRefs(pending);
  committedNodes_ = nodeCount_;
}

void TXmlArena::ReleaseNodes(int32_t count) {
  // The last of the arena's references frees it, as Release does.
  if (count > 0 && ReleaseRefs(count)) delete this;
}

TXmlArena::~TXmlArena() {
  while (chunks_) {
    char* previous;
    std::memcpy(&previous, chunks_, sizeof previous);
    ::operator delete(chunks_);
    chunks_ = previous;
  }
}

void TXmlArena::ReserveFor(size_t textSize) {
  // The nodes of a text take a few times its size: chunks of half its size
  // leave little unused at the end, and small documents stay small.
  size_t size = textSize / 2;
  chunkSize_ = size < kMinChunkSize ? kMinChunkSize : size > kMaxChunkSize ? kMaxChunkSize : size;
  fixedChunkSize_ = true;
}

void TXmlArena::NewChunk(size_t size) {
  // Unless sized for a text, chunks double up to 1 MB.
  size_t chunkSize = (chunkSize_ > size ? chunkSize_ : size) + kChunkHeader;
  char* chunk = static_cast<char*>(::operator new(chunkSize));
  std::memcpy(chunk, &chunks_, sizeof chunks_);
  chunks_ = chunk;
  next_ = chunk + kChunkHeader;
  end_ = chunk + chunkSize;
  if (!fixedChunkSize_ && chunkSize_ < kMaxChunkSize) chunkSize_ *= 2;
}
