// The name table: element, attribute and instruction names interned as
// integer identifiers. One process-wide table serves every document that is
// not given its own.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "xml/xmlbase.h"

class TXmlNameTable : public TXmlBase {
 public:
  // Identifiers of the names every table interns first.
  enum : int32_t { kText = 0, kCDATASection = 1, kComment = 2, kDocument = 3, kXml = 4 };
  static constexpr int kBucketCount = 4096;

  TXmlNameTable();
  ~TXmlNameTable() override;

  // For creating and setting: the identifier of the exact name, added when
  // missing.
  int32_t NameId(std::string_view name);
  // For reading: the exact name; else the name with its first letter turned
  // to lower case, else to upper case (A-Z, a-z only); else it is added.
  int32_t ReadNameId(std::string_view name);
  // The name of an identifier handed out by this table.
  const std::string& Name(int32_t id) const;
  int32_t Count() const;

  // h = h * 33 + byte over the name, from 0, 32-bit.
  static uint32_t Hash(std::string_view name);

 private:
  struct tEntry {
    std::string Name;
    int32_t Next = -1;  // next identifier in the same bucket
  };
  static constexpr int kChunkBits = 10;
  static constexpr int kChunkSize = 1 << kChunkBits;
  static constexpr int kMaxChunks = 1 << 13;

  tEntry& Entry(int32_t id) const { return chunks_[id >> kChunkBits][id & (kChunkSize - 1)]; }
  int32_t FindLocked(std::string_view name, uint32_t hash) const;
  int32_t AddLocked(std::string_view name, uint32_t hash);

  // Entries live in chunks that never move, so a name can be read without
  // the lock once its identifier is known.
  std::unique_ptr<std::unique_ptr<tEntry[]>[]> chunks_;
  int32_t buckets_[kBucketCount];
  std::atomic<int32_t> count_{0};
  mutable std::mutex lock_;
};

using IXmlNameTable = tXmlRef<TXmlNameTable>;

// The process-wide name table.
TXmlNameTable* GlobalXmlNameTable();
