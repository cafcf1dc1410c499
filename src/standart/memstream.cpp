#include "standart/memstream.h"

#include <cassert>
#include <cstring>

#include "standart/format.h"

namespace {
constexpr int64_t kBlockAlign = 16384;
constexpr uint32_t kNotEnoughMemory = 8;
constexpr uint32_t kRetryInterval = 500;
constexpr uint32_t kRetryLimit = 5000;

// Retries an allocation that failed for lack of memory for up to 5 seconds.
template <class F>
platform::MemHandle WithRetry(F allocate) {
  uint32_t start = platform::TickCount();
  for (;;) {
    platform::MemHandle h = allocate();
    if (h) return h;
    if (platform::LastOSError() != kNotEnoughMemory || platform::TickCount() - start >= kRetryLimit) return 0;
    platform::Sleep(kRetryInterval);
  }
}

void MemoryFigures(int64_t& available, int64_t& occupied) {
  uint64_t avail = 0, total = 0;
  platform::VirtualMemoryInfo(avail, total);
  available = int64_t(avail);
  occupied = int64_t(total - avail);
}
platform::MemHandle AllocateBlock(uint32_t flags, size_t bytes) {
  platform::MemHandle h = WithRetry([&] { return platform::MemAlloc(flags, bytes); });
  if (!h) {
    int64_t available, occupied;
    MemoryFigures(available, occupied);
    throw EReallocException(Fmt("Stream Memory alloc (%d) Error=%d, AvailVirtual=%d, VirtualOccupied=%d",
                                int64_t(bytes), platform::LastOSError(), available, occupied));
  }
  return h;
}
}  // namespace

void TToolMemoryStream::SetPosition(int64_t position) {
  assert(position >= 0 && "STANDART\\MMSTREAM");
  position_ = position;
}

void TToolMemoryStream::Grow(int64_t needed) {
  if (needed <= capacity_) return;
  // Grow by half again of the request, so that repeated writes stay linear.
  int64_t capacity = needed + needed / 2;
  memory_ = Realloc(capacity);
  capacity_ = capacity;
}

void TToolMemoryStream::SetSize(int64_t size) {
  assert(size >= 0 && "STANDART\\MMSTREAM");
  int64_t capacity = size;
  memory_ = Realloc(capacity);
  capacity_ = capacity;
  size_ = size;
  if (position_ > size_) position_ = size_;
}

int32_t TToolMemoryStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || position_ >= size_) return 0;
  int64_t n = std::min<int64_t>(count, size_ - position_);
  std::memcpy(buffer, memory_ + position_, size_t(n));
  position_ += n;
  return int32_t(n);
}

int32_t TToolMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  int64_t end = position_ + count;
  if (end > size_) {
    Grow(end);
    size_ = end;
  }
  std::memcpy(memory_ + position_, buffer, size_t(count));
  position_ = end;
  return count;
}

TMemStream::TMemStream(OverHandle existing) : flags_(platform::kMemMovable), handle_(existing.handle) {
  int64_t size = int64_t(platform::MemSize(handle_));
  capacity_ = size;
  SetMemory(static_cast<uint8_t*>(platform::MemLock(handle_)), size);
}

TMemStream::~TMemStream() {
  if (handle_) {
    platform::MemUnlock(handle_);
    platform::MemFree(handle_);
  }
}

platform::MemHandle TMemStream::Release(TMemStream* stream) {
  platform::MemHandle h = stream->handle_;
  if (h) platform::MemUnlock(h);
  stream->handle_ = 0;
  delete stream;
  return h;
}

platform::MemHandle TMemStream::Allocate(size_t bytes) { return AllocateBlock(flags_, bytes); }

platform::MemHandle TMemStream::Reallocate(size_t bytes) {
  platform::MemUnlock(handle_);
  platform::MemHandle h = WithRetry([&] { return platform::MemReAlloc(handle_, bytes, flags_); });
  if (!h) {
    platform::MemLock(handle_);
    int64_t available, occupied;
    MemoryFigures(available, occupied);
    throw EReallocException(
        Fmt("Stream Memory realloc (from %d to %d) Error=%d, AvailVirtual=%d, VirtualOccupied=%d", capacity_,
            int64_t(bytes), platform::LastOSError(), available, occupied));
  }
  return h;
}

platform::MemHandle NewMovableBlock(const void* data, size_t size) {
  platform::MemHandle h = AllocateBlock(platform::kMemMovable, size);
  if (size > 0) {
    std::memcpy(platform::MemLock(h), data, size);
    platform::MemUnlock(h);
  }
  return h;
}

uint8_t* TMemStream::Realloc(int64_t& capacity) {
  assert(capacity >= 0 && "STANDART\\MMSTREAM");
  if (capacity == 0) {
    if (handle_) {
      platform::MemUnlock(handle_);
      platform::MemFree(handle_);
      handle_ = 0;
    }
    return nullptr;
  }
  int64_t aligned = (capacity + kBlockAlign - 1) / kBlockAlign * kBlockAlign;
  int64_t candidate = (capacity + capacity / 2) / kBlockAlign * kBlockAlign;
  bool grow = aligned > capacity_;
  bool shrink = candidate < capacity_ && aligned < capacity_;
  if (!grow && !shrink && handle_) {
    capacity = capacity_;
    return Memory();
  }
  int64_t chosen = grow && candidate > aligned ? candidate : aligned;
  handle_ = handle_ ? Reallocate(size_t(chosen)) : Allocate(size_t(chosen));
  capacity = chosen;
  return static_cast<uint8_t*>(platform::MemLock(handle_));
}

tFixedMemStream::tFixedMemStream(void* buffer, int64_t size) {
  SetMemory(static_cast<uint8_t*>(buffer), size);
  capacity_ = size;
}

void tFixedMemStream::SetSize(int64_t size) {
  if (size != Size()) throw EStreamError("Fixed stream does not allow sizing");
}

uint8_t* tFixedMemStream::Realloc(int64_t& capacity) {
  if (capacity > capacity_) throw EStreamError("Fixed stream does not allow sizing");
  capacity = capacity_;
  return Memory();
}
