// The discounts, markups and corrections attached to one receipt line or
// modifier: an ordered set of entries, shared by reference.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct tDishDiscInfo {
  int32_t DiscountId = 0;  // 0 for corrections and shares without an identifier
  int32_t Code = 0;
  std::string Name;
  int64_t Amount = 0;  // hundredths; negative a discount, positive a markup
  uint8_t IsOwn = 0;   // bound to this line by the POS, not a share of an order-level amount
  uint8_t IsCorrection = 0;
};

class iDishDiscountInfo {
 public:
  virtual ~iDishDiscountInfo() = default;
  virtual int64_t Total() const = 0;
  virtual int32_t GetDiscountId(int i) const = 0;
  virtual int32_t GetCode(int i) const = 0;
  virtual std::string GetName(int i) const = 0;
  virtual int64_t GetAmount(int i) const = 0;
  virtual int Count() const = 0;
  virtual int64_t SumOf(int32_t discountId, uint8_t isOwn) const = 0;
  virtual void Remove(int32_t discountId, uint8_t isOwn) = 0;
  // Remove for every identifier of a sorted list at once.
  virtual void RemoveAll(const std::vector<int32_t>& sortedIds, uint8_t isOwn) = 0;
  virtual void Delete(int i) = 0;
  // Adds to the entry with the same identifier, IsOwn and IsCorrection, or
  // appends a new one; the entry's index.
  virtual int Add(int32_t discountId, int32_t code, const std::string& name, int64_t amount,
                  uint8_t isOwn, uint8_t isCorrection) = 0;
  virtual void CopyTo(iDishDiscountInfo& other) const = 0;
  // Removes the corrections; their sum.
  virtual int64_t ExtractCorrections() = 0;
  virtual const tDishDiscInfo& Entry(int i) const = 0;
  // Makes room for `more` entries beyond those there are.
  virtual void Reserve(int more) = 0;
  // Removes every entry, keeping the room for the next document's.
  virtual void Clear() = 0;
};

using tDiscountSetRef = std::shared_ptr<iDishDiscountInfo>;

// The sum of the positive entries (the markups) of a set.
int64_t MarkupTotal(const iDishDiscountInfo& set);
// The sum of the entries that are not corrections.
int64_t TotalWithoutCorrections(const iDishDiscountInfo& set);

class tDishDiscountInfo : public iDishDiscountInfo {
 public:
  static tDiscountSetRef New() { return std::make_shared<tDishDiscountInfo>(); }

  int64_t Total() const override;
  int32_t GetDiscountId(int i) const override { return entries_[size_t(i)].DiscountId; }
  int32_t GetCode(int i) const override { return entries_[size_t(i)].Code; }
  std::string GetName(int i) const override { return entries_[size_t(i)].Name; }
  int64_t GetAmount(int i) const override { return entries_[size_t(i)].Amount; }
  int Count() const override { return int(entries_.size()); }
  int64_t SumOf(int32_t discountId, uint8_t isOwn) const override;
  void Remove(int32_t discountId, uint8_t isOwn) override;
  void RemoveAll(const std::vector<int32_t>& sortedIds, uint8_t isOwn) override;
  void Delete(int i) override;
  int Add(int32_t discountId, int32_t code, const std::string& name, int64_t amount, uint8_t isOwn,
          uint8_t isCorrection) override;
  void CopyTo(iDishDiscountInfo& other) const override;
  int64_t ExtractCorrections() override;
  const tDishDiscInfo& Entry(int i) const override { return entries_[size_t(i)]; }
  void Reserve(int more) override { entries_.reserve(entries_.size() + size_t(more > 0 ? more : 0)); }
  void Clear() override {
    entries_.clear();
    index_.clear();
  }

 private:
  static uint64_t Key(int32_t discountId, uint8_t isOwn, uint8_t isCorrection) {
    return (uint64_t(uint32_t(discountId)) << 2) | (uint64_t(isOwn != 0) << 1) | uint64_t(isCorrection != 0);
  }
  int Find(uint64_t key) const;
  template <class Pred>
  void RemoveWhere(Pred pred);
  void Reindex();

  std::vector<tDishDiscInfo> entries_;
  // Built once a set grows large (a line with many order-level shares), so
  // that Add stays constant-time; empty otherwise.
  std::unordered_map<uint64_t, int> index_;
};
