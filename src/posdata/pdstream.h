// Byte streams of the POS data: a bounded reader over a caller's buffer and
// a growing writer. Multi-byte numbers are little-endian.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Reads never pass the end: a short read raises "Stream read error".
class TPDReadStream {
 public:
  TPDReadStream(const void* data, size_t size)
      : data_(static_cast<const uint8_t*>(data)), size_(size) {}

  size_t Position() const { return pos_; }
  size_t Size() const { return size_; }
  size_t Remaining() const { return size_ - pos_; }
  // Moves to an absolute position within the buffer (Seek past the end fails).
  void Seek(size_t position);

  uint8_t ReadByte();
  uint8_t PeekByte();  // the next byte without consuming it
  int16_t ReadInt16();
  int32_t ReadInt32();
  uint32_t ReadUInt32();
  int64_t ReadInt64();
  // A view of the next n bytes, consumed.
  const uint8_t* ReadBytes(size_t n);
  std::string ReadString(size_t n);
  void Skip(size_t n) { ReadBytes(n); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

class TPDWriteStream {
 public:
  void WriteByte(uint8_t b) { data_.push_back(char(b)); }
  void WriteInt16(int16_t v) { WriteLE(uint16_t(v), 2); }
  void WriteInt32(int32_t v) { WriteLE(uint32_t(v), 4); }
  void WriteInt64(int64_t v) { WriteLE(uint64_t(v), 8); }
  void WriteBytes(const std::string& bytes) { data_ += bytes; }
  const std::string& Data() const { return data_; }
  std::string& Data() { return data_; }

 private:
  void WriteLE(uint64_t v, int bytes);
  std::string data_;
};
