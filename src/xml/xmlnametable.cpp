#include "xml/xmlnametable.h"

#include "xml/xmlexception.h"

TXmlNameTable::TXmlNameTable() : chunks_(new std::unique_ptr<tEntry[]>[kMaxChunks]) {
  for (auto& head : buckets_) head.store(-1, std::memory_order_relaxed);
  for (auto& slot : recent_) slot.store(nullptr, std::memory_order_relaxed);
  for (const char* name : {"#text", "#cdata-section", "#comment", "#document", "xml"}) NameId(name);
}

TXmlNameTable::~TXmlNameTable() = default;

uint32_t TXmlNameTable::Hash(std::string_view name) {
  uint32_t h = 0;
  for (char c : name) h = h * 33 + uint8_t(c);
  return h;
}

int32_t TXmlNameTable::Find(std::string_view name, uint32_t hash) const {
  for (int32_t id = buckets_[hash % kBucketCount].load(std::memory_order_acquire); id >= 0; id = Entry(id).Next)
    if (Entry(id).Name == name) return id;
  return -1;
}

int32_t TXmlNameTable::AddLocked(std::string_view name, uint32_t hash) {
  int32_t id = count_.load(std::memory_order_relaxed);
  if (id >= kChunkSize * kMaxChunks) RaiseXmlError("Name table is full");
  auto& chunk = chunks_[id >> kChunkBits];
  if (!chunk) chunk.reset(new tEntry[kChunkSize]);
  tEntry& entry = chunk[id & (kChunkSize - 1)];
  entry.Name.assign(name.data(), name.size());
  const size_t head = name.size() < 8 ? name.size() : 8;
  std::memcpy(&entry.Head, name.data(), head);
  std::memset(&entry.HeadMask, 0xFF, head);
  for (auto& guess : entry.Attrs) guess.store(nullptr, std::memory_order_relaxed);
  entry.Id = id;
  entry.Next = buckets_[hash % kBucketCount].load(std::memory_order_relaxed);
  count_.store(id + 1, std::memory_order_release);
  buckets_[hash % kBucketCount].store(id, std::memory_order_release);
  return id;
}

int32_t TXmlNameTable::NameIdSlow(std::string_view name, size_t recentSlot) {
  const uint32_t hash = Hash(name);
  int32_t id = Find(name, hash);
  if (id < 0) {
    std::lock_guard<std::mutex> guard(lock_);
    id = Find(name, hash);
    if (id < 0) id = AddLocked(name, hash);
  }
  // The newest name takes the first slot of the pair; the one there moves
  // to the second. Threads may overwrite each other's: every entry stored
  // is a published one.
  recent_[recentSlot + 1].store(recent_[recentSlot].load(std::memory_order_acquire), std::memory_order_release);
  recent_[recentSlot].store(&Entry(id), std::memory_order_release);
  return id;
}

int32_t TXmlNameTable::ReadNameId(std::string_view name) {
  // The exact name first, as NameId finds it (recent names included).
  {
    if (const tEntry* cached = RecentEntry(name, RecentSlot(name))) return cached->Id;
  }
  const uint32_t hash = Hash(name);
  auto find = [&]() {
    int32_t id = Find(name, hash);
    if (id >= 0 || name.empty()) return id;
    std::string variant(name);
    char first = name[0];
    if (first >= 'A' && first <= 'Z') {
      variant[0] = char(first + 32);
      if ((id = Find(variant, Hash(variant))) >= 0) return id;
    }
    if (first >= 'a' && first <= 'z') {
      variant[0] = char(first - 32);
      if ((id = Find(variant, Hash(variant))) >= 0) return id;
    }
    return -1;
  };
  int32_t id = find();
  if (id >= 0) return id;
  std::lock_guard<std::mutex> guard(lock_);
  id = find();
  return id >= 0 ? id : AddLocked(name, hash);
}

const std::string& TXmlNameTable::NoName() {
  static const std::string kNone;
  return kNone;
}

int32_t TXmlNameTable::Count() const { return count_.load(std::memory_order_acquire); }

TXmlNameTable* GlobalXmlNameTable() {
  // Created on first use (module start-up in practice) and kept for the
  // life of the process.
  static TXmlNameTable* table = [] {
    auto* t = new TXmlNameTable();
    t->AddRef();
    return t;
  }();
  return table;
}
