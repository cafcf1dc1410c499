// Memory streams used to pass blocks of bytes between modules.
#pragma once
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/platform.h"

class EStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
class EReallocException : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

// A byte stream over memory with a position; the storage is the subclass's.
class TToolMemoryStream {
 public:
  virtual ~TToolMemoryStream() = default;
  int64_t Size() const { return size_; }
  int64_t Position() const { return position_; }
  void SetPosition(int64_t position);
  virtual void SetSize(int64_t size);
  int32_t Read(void* buffer, int32_t count);
  int32_t Write(const void* buffer, int32_t count);
  void WriteString(const std::string& bytes) { Write(bytes.data(), int32_t(bytes.size())); }
  const uint8_t* Memory() const { return memory_; }
  uint8_t* Memory() { return memory_; }
  std::string AsString() const { return std::string(reinterpret_cast<const char*>(memory_), size_t(size_)); }

 protected:
  // Makes room for at least `capacity` bytes; returns the new memory.
  virtual uint8_t* Realloc(int64_t& capacity) = 0;
  void SetMemory(uint8_t* memory, int64_t size) { memory_ = memory; size_ = size; }
  int64_t capacity_ = 0;

 private:
  void Grow(int64_t needed);
  uint8_t* memory_ = nullptr;
  int64_t size_ = 0;
  int64_t position_ = 0;
};

// A stream whose bytes live in a movable global-memory block.
class TMemStream : public TToolMemoryStream {
 public:
  explicit TMemStream(uint32_t allocFlags = platform::kMemMovable) : flags_(allocFlags) {}
  // Takes over an existing block; the size is the block's size.
  struct OverHandle {
    platform::MemHandle handle;
  };
  explicit TMemStream(OverHandle existing);
  ~TMemStream() override;
  platform::MemHandle Handle() const { return handle_; }
  // Unlocks the block, detaches it from the stream, frees the stream and
  // returns the block: the receiver owns it from then on.
  static platform::MemHandle Release(TMemStream* stream);

 protected:
  uint8_t* Realloc(int64_t& capacity) override;

 private:
  platform::MemHandle Allocate(size_t bytes);
  platform::MemHandle Reallocate(size_t bytes);
  uint32_t flags_;
  platform::MemHandle handle_ = 0;
};

// A new movable block of exactly `size` bytes (also 0) holding a copy of
// the data, allocated with the retry rule of the streams; the receiver
// frees it. Raises EReallocException when there is no memory.
platform::MemHandle NewMovableBlock(const void* data, size_t size);

// A stream over a caller's buffer of fixed size.
class tFixedMemStream : public TToolMemoryStream {
 public:
  tFixedMemStream(void* buffer, int64_t size);
  void SetSize(int64_t size) override;

 protected:
  uint8_t* Realloc(int64_t& capacity) override;
};
