// Block memory for the nodes of a parsed document: the parser takes its
// nodes from one arena instead of one heap block each. Every node keeps its
// arena alive; the arena's memory goes when the last of its nodes does
// (single nodes are not given back earlier).
#pragma once
#include <cstddef>
#include <memory>
#include <type_traits>
#include <vector>

#include "xml/xmlbase.h"
#include "xml/xmlnametable.h"

class TXmlArena : public TXmlBase {
 public:
  // The arena keeps the name table of its nodes alive for them.
  explicit TXmlArena(TXmlNameTable* names);
  ~TXmlArena() override;
  TXmlNameTable* NameTable() const { return names_.get(); }

  // A node taken from the arena counts as a reference to it. While one
  // thread fills the arena the counts are only noted; CommitNodeRefs adds
  // them, and must run before any of those nodes can go.
  void NoteNodeRef() { ++pendingNodeRefs_; }
  void CommitNodeRefs();
  // Memory aligned for any node; used by one thread at a time.
  void* Allocate(size_t size);
  // Unaligned memory for text.
  char* AllocateText(size_t size) {
    if (size_t(end_ - next_) < size) NewChunk(size);
    char* block = next_;
    next_ += size;
    return block;
  }

 private:
  void NewChunk(size_t size);

  IXmlNameTable names_;
  int32_t pendingNodeRefs_ = 0;
  std::vector<char*> chunks_;
  char* next_ = nullptr;
  char* end_ = nullptr;
  size_t chunkSize_ = 4096;
};

using IXmlArena = tXmlRef<TXmlArena>;

// An allocator of the lists of parsed nodes: from the node's arena when it
// has one (nothing is given back before the arena goes), else from the heap.
// Copies of a list use the heap.
template <class T>
struct tXmlArenaAllocator {
  using value_type = T;
  using propagate_on_container_copy_assignment = std::false_type;
  using propagate_on_container_move_assignment = std::true_type;
  using propagate_on_container_swap = std::true_type;

  tXmlArenaAllocator() = default;
  explicit tXmlArenaAllocator(TXmlArena* arena) : Arena(arena) {}
  template <class U>
  tXmlArenaAllocator(const tXmlArenaAllocator<U>& other) : Arena(other.Arena) {}

  T* allocate(size_t n) {
    return static_cast<T*>(Arena ? Arena->Allocate(n * sizeof(T)) : ::operator new(n * sizeof(T)));
  }
  void deallocate(T* p, size_t) {
    if (!Arena) ::operator delete(p);
  }
  tXmlArenaAllocator select_on_container_copy_construction() const { return tXmlArenaAllocator(); }
  friend bool operator==(const tXmlArenaAllocator& a, const tXmlArenaAllocator& b) { return a.Arena == b.Arena; }
  friend bool operator!=(const tXmlArenaAllocator& a, const tXmlArenaAllocator& b) { return a.Arena != b.Arena; }

  TXmlArena* Arena = nullptr;
};
