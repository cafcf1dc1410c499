// The name table: element, attribute and instruction names interned as
// integer identifiers. One process-wide table serves every document that is
// not given its own.
#pragma once
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "xml/xmlbase.h"
#include "xml/xmlstrings.h"

class TXmlNameTable : public TXmlBase {
 public:
  // Identifiers of the names every table interns first.
  enum : int32_t { kText = 0, kCDATASection = 1, kComment = 2, kDocument = 3, kXml = 4 };
  static constexpr int kBucketCount = 4096;

  TXmlNameTable();
  ~TXmlNameTable() override;

  // For creating and setting: the identifier of the exact name, added when
  // missing. Recent names are found in a small cache first, without the
  // hash over the name and without the lock.
  int32_t NameId(std::string_view name) { return NameId(name, RecentSlot(name)); }
  // The same with the name's pair of slots among the recent names
  // (RecentSlot).
  int32_t NameId(std::string_view name, size_t recentSlot) {
    if (const tEntry* entry = RecentEntry(name, recentSlot)) return entry->Id;
    return NameIdSlow(name, recentSlot);
  }
  static constexpr size_t kRecentCount = 1024;
  // The first of the two slots where a name may be among the recent names:
  // from its length and three of its bytes.
  static size_t RecentSlot(std::string_view name) {
    const size_t n = name.size();
    if (n == 0) return 0;
    const uint32_t key = uint32_t(uint8_t(name[0])) | uint32_t(uint8_t(name[n - 1])) << 8 |
                         uint32_t(uint8_t(name[n / 2])) << 16 | uint32_t(n) << 24;
    return ((key * 0x9E3779B1u) >> 23) * 2;  // 512 pairs
  }
  // For reading: the exact name; else the name with its first letter turned
  // to lower case, else to upper case (A-Z, a-z only); else it is added.
  int32_t ReadNameId(std::string_view name);
  // The name of an identifier handed out by this table.
  const std::string& Name(int32_t id) const {
    if (id < 0 || id >= count_.load(std::memory_order_acquire)) return NoName();
    return Entry(id).Name;
  }
  int32_t Count() const;

  // h = h * 33 + byte over the name, from 0, 32-bit.
  static uint32_t Hash(std::string_view name);

  // ---- What the parser expects next --------------------------------------
  // Documents repeat their shapes: each name remembers the element name that
  // followed its start tag last, and as an element name the names of its
  // first attributes in order. A guess is only a published name; the parser
  // takes it when the text matches its bytes (MatchAt), so a wrong or stale
  // guess costs a compare and nothing else. Threads may overwrite each
  // other's guesses.
  static constexpr size_t kGuessedAttrs = 8;
  struct tEntry {
    std::string Name;
    int32_t Id = -1;
    int32_t Next = -1;  // next identifier in the same bucket
    // The first eight bytes of the name (zero bytes past its end), and the
    // mask of those that belong to it.
    uint64_t Head = 0;
    uint64_t HeadMask = 0;
    mutable std::atomic<const tEntry*> NextElement{nullptr};
    mutable std::atomic<const tEntry*> Attrs[kGuessedAttrs];
  };
  // The record of an identifier handed out by this table.
  const tEntry& EntryOf(int32_t id) const { return Entry(id); }
  static const tEntry* NextElementGuess(const tEntry& after) {
    return after.NextElement.load(std::memory_order_acquire);
  }
  static void GuessNextElement(const tEntry& after, const tEntry& next) {
    after.NextElement.store(&next, std::memory_order_release);
  }
  // index < kGuessedAttrs.
  static const tEntry* AttrGuess(const tEntry& element, size_t index) {
    return element.Attrs[index].load(std::memory_order_acquire);
  }
  static void GuessAttr(const tEntry& element, size_t index, const tEntry& attr) {
    element.Attrs[index].store(&attr, std::memory_order_release);
  }
  // The length of the name when the text at p holds it followed by a byte
  // that is no name character; else 0. The text must have eight readable
  // bytes from p on.
  static size_t MatchAt(const tEntry& entry, const char* p) {
    uint64_t head;
    std::memcpy(&head, p, 8);
    if ((head & entry.HeadMask) != entry.Head) return 0;
    const size_t n = entry.Name.size();
    if (n > 8 && !SameBytes(p + 8, entry.Name.data() + 8, n - 8)) return 0;
    return xmlstr::IsNameChar(uint8_t(p[n])) ? 0 : n;
  }

  // Names are short: compared inline, eight bytes at a time.
  static bool SameBytes(const char* a, const char* b, size_t n) {
    for (; n >= 8; a += 8, b += 8, n -= 8) {
      uint64_t x, y;
      std::memcpy(&x, a, 8);
      std::memcpy(&y, b, 8);
      if (x != y) return false;
    }
    for (; n; --n)
      if (*a++ != *b++) return false;
    return true;
  }

 private:
  static constexpr int kChunkBits = 10;
  static constexpr int kChunkSize = 1 << kChunkBits;
  static constexpr int kMaxChunks = 1 << 13;

  tEntry& Entry(int32_t id) const { return chunks_[id >> kChunkBits][id & (kChunkSize - 1)]; }
  const tEntry* RecentEntry(std::string_view name, size_t recentSlot) const {
    for (size_t i = recentSlot; i < recentSlot + 2; ++i) {
      const tEntry* entry = recent_[i].load(std::memory_order_acquire);
      if (entry && entry->Name.size() == name.size() && SameBytes(entry->Name.data(), name.data(), name.size()))
        return entry;
    }
    return nullptr;
  }
  static const std::string& NoName();
  int32_t NameIdSlow(std::string_view name, size_t recentSlot);
  // Entries are published with release stores of the bucket heads and
  // never change afterwards: lookups need no lock.
  int32_t Find(std::string_view name, uint32_t hash) const;
  int32_t AddLocked(std::string_view name, uint32_t hash);

  // Entries live in chunks that never move, so a name can be read without
  // the lock once its identifier is known.
  std::unique_ptr<std::unique_ptr<tEntry[]>[]> chunks_;
  std::atomic<int32_t> buckets_[kBucketCount];
  std::atomic<const tEntry*> recent_[kRecentCount];  // published entries, or nullptr
  std::atomic<int32_t> count_{0};
  mutable std::mutex lock_;
};

using IXmlNameTable = tXmlRef<TXmlNameTable>;

// The process-wide name table.
TXmlNameTable* GlobalXmlNameTable();
