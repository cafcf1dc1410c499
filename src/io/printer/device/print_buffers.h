// The output queue of the print pipeline: byte blocks in order, each with the
// output mode it was collected in (0 = plain output).
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <string>

class tPrintBuffers {
 public:
  struct Block {
    std::string Bytes;
    int32_t Mode = 0;
  };

  // Appends a block and adds its length to the total.
  void Add(std::string bytes, int32_t mode);
  // Removes the first block, or only its first `limit` bytes when it is
  // longer (the rest stays at the head). False when the queue is empty.
  bool Take(Block& block, size_t limit = std::numeric_limits<size_t>::max());
  // Copies every block in order to `target`, which holds TotalLength() bytes.
  void CopyAll(uint8_t* target) const;

  int32_t TotalLength() const { return total_; }
  size_t Count() const { return blocks_.size(); }
  bool Empty() const { return blocks_.empty(); }
  const Block& operator[](size_t index) const { return blocks_[index]; }
  void Clear();

 private:
  int32_t total_ = 0;
  std::deque<Block> blocks_;
};
