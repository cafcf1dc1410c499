// Block memory for the nodes of a parsed document: the parser takes its
// nodes, lists and a copy of the text from one arena instead of one heap
// block each. Every node of the arena keeps it alive; its memory goes when
// the last of its nodes does (single nodes are not given back earlier).
//
// A parsed tree is released as a whole, without visiting its nodes, when
// its document goes while none of its nodes is held by a reference and
// none was edited (parsed nodes hold nothing outside the arena until they
// are edited). Otherwise the nodes are released one by one.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>
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
  // thread fills the arena the nodes are only counted; CommitNodeRefs adds
  // them as references, and must run before any of those nodes can go.
  void NoteNodeRef() { ++nodeCount_; }
  void CommitNodeRefs();
  // Sizes the chunks for the nodes of a text of `textSize` bytes.
  void ReserveFor(size_t textSize);
  // Memory aligned for the nodes and lists (8 bytes); used by one thread at
  // a time.
  void* Allocate(size_t size) {
    next_ += (kAlignment - (uintptr_t(next_) & (kAlignment - 1))) & (kAlignment - 1);
    if (next_ > end_) next_ = end_;  // new chunks are aligned
    return AllocateText(size);
  }
  // Aligned memory of at least `size` bytes that stays free until taken: a
  // list is written there while nothing else takes from the arena.
  void* Room(size_t size) {
    void* block = Allocate(size);
    next_ = static_cast<char*>(block);
    return block;
  }
  // Takes `size` bytes of the room.
  void Take(size_t size) { next_ += size; }
  // Unaligned memory for text.
  char* AllocateText(size_t size) {
    if (size_t(end_ - next_) < size) NewChunk(size);
    char* block = next_;
    next_ += size;
    return block;
  }

  // References to the arena's nodes held outside their tree.
  void AddHeldRef() { heldRefs_.fetch_add(1, std::memory_order_relaxed); }
  void ReleaseHeldRef() { heldRefs_.fetch_sub(1, std::memory_order_release); }
  // Set by any change to a node of the arena or to the tree holding them.
  void MarkEdited() { edited_.store(true, std::memory_order_relaxed); }
  // True when the whole tree may go at once: no node edited or held.
  bool TreeCanGoAtOnce() const {
    return !edited_.load(std::memory_order_relaxed) && heldRefs_.load(std::memory_order_acquire) == 0;
  }
  // Gives back the references of all the arena's nodes at once.
  void ReleaseAllNodes() { ReleaseNodes(committedNodes_); }
  // Gives back the references of `count` nodes that went.
  void ReleaseNodes(int32_t count);

 private:
  static constexpr size_t kAlignment = 8;
  void NewChunk(size_t size);

  IXmlNameTable names_;
  int32_t nodeCount_ = 0;
  int32_t committedNodes_ = 0;
  std::atomic<int32_t> heldRefs_{0};
  std::atomic<bool> edited_{false};
  char* chunks_ = nullptr;  // the newest chunk; each begins with the previous one
  char* next_ = nullptr;
  char* end_ = nullptr;
  size_t chunkSize_ = 4096;
  bool fixedChunkSize_ = false;
};

using IXmlArena = tXmlRef<TXmlArena>;

// A list of trivially relocatable entries (node pointers, attributes) in
// 16 bytes: the entries live in the node's arena when it has one (nothing
// is given back before the arena goes), else on the heap. Lists grow by the
// rule of GrownXmlCapacity.
template <class T>
class tXmlList {
 public:
  tXmlList() = default;
  tXmlList(const tXmlList&) = delete;
  tXmlList& operator=(const tXmlList&) = delete;
  ~tXmlList() { Free(); }

  T* begin() const { return items_; }
  T* end() const { return items_ + count_; }
  size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  T& operator[](size_t index) const { return items_[index]; }
  T& front() const { return items_[0]; }

  void Append(T entry, TXmlArena* arena) { Insert(count_, std::move(entry), arena); }
  void Insert(size_t index, T entry, TXmlArena* arena) {
    if (count_ == Capacity()) Grow(GrownXmlCapacity(Capacity()), arena);
    std::memmove(static_cast<void*>(items_ + index + 1), items_ + index, (count_ - index) * sizeof(T));
    new (items_ + index) T(std::move(entry));
    ++count_;
  }
  void Erase(size_t index) {
    items_[index].~T();
    std::memmove(static_cast<void*>(items_ + index), items_ + index + 1, (count_ - index - 1) * sizeof(T));
    --count_;
  }
  // Removes the entries; the block stays for new ones.
  void Clear() {
    DestroyEntries();
    count_ = 0;
  }
  // Takes over entries built elsewhere: `count` of them at `items`, in a
  // block of the arena that the list will not free.
  void Adopt(T* items, uint32_t count) {
    Free();
    items_ = items;
    count_ = count;
    capacity_ = count | kArenaBlock;
  }
  void Swap(tXmlList& other) {
    std::swap(items_, other.items_);
    std::swap(count_, other.count_);
    std::swap(capacity_, other.capacity_);
  }
  // Copies the entries of another list.
  void CopyFrom(const tXmlList& other, TXmlArena* arena) {
    Clear();
    if (Capacity() < other.count_) Grow(other.count_, arena);
    for (const T& entry : other) new (items_ + count_++) T(entry);
  }

 private:
  static constexpr uint32_t kArenaBlock = 0x80000000u;
  size_t Capacity() const { return capacity_ & ~kArenaBlock; }

  void Grow(size_t capacity, TXmlArena* arena) {
    T* items = static_cast<T*>(arena ? arena->Allocate(capacity * sizeof(T)) : ::operator new(capacity * sizeof(T)));
    if (count_) std::memcpy(static_cast<void*>(items), items_, count_ * sizeof(T));
    if (!(capacity_ & kArenaBlock)) ::operator delete(items_);
    items_ = items;
    capacity_ = uint32_t(capacity) | (arena ? kArenaBlock : 0);
  }
  void DestroyEntries() {
    if (!std::is_trivially_destructible<T>::value)
      for (T& entry : *this) entry.~T();
  }
  void Free() {
    DestroyEntries();
    if (!(capacity_ & kArenaBlock)) ::operator delete(items_);
    items_ = nullptr;
    count_ = 0;
    capacity_ = 0;
  }

  T* items_ = nullptr;
  uint32_t count_ = 0;
  uint32_t capacity_ = 0;  // with kArenaBlock for a block of an arena
};
