#include "io/printer/device/print_buffers.h"

#include <cstring>

void tPrintBuffers::Add(std::string bytes, int32_t mode) {
  total_ += int32_t(bytes.size());
  blocks_.push_back(Block{std::move(bytes), mode});
}

bool tPrintBuffers::Take(Block& block, size_t limit) {
  if (blocks_.empty()) return false;
  Block& head = blocks_.front();
  if (head.Bytes.size() > limit) {
    block.Bytes = head.Bytes.substr(0, limit);
    block.Mode = head.Mode;
    head.Bytes.erase(0, limit);
  } else {
    block = std::move(head);
    blocks_.pop_front();
  }
  total_ -= int32_t(block.Bytes.size());
  return true;
}

void tPrintBuffers::CopyAll(uint8_t* target) const {
  for (const Block& block : blocks_) {
    if (block.Bytes.empty()) continue;
    std::memcpy(target, block.Bytes.data(), block.Bytes.size());
    target += block.Bytes.size();
  }
}

void tPrintBuffers::Clear() {
  blocks_.clear();
  total_ = 0;
}
