#include "posdata/pdstream.h"

#include "posdata/pderrors.h"

void TPDReadStream::Seek(size_t position) {
  if (position > size_) ThrowReadError();
  pos_ = position;
}

uint8_t TPDReadStream::ReadByte() { return *ReadBytes(1); }

uint8_t TPDReadStream::PeekByte() {
  if (pos_ >= size_) ThrowReadError();
  return data_[pos_];
}

const uint8_t* TPDReadStream::ReadBytes(size_t n) {
  if (n > Remaining()) ThrowReadError();
  const uint8_t* p = data_ + pos_;
  pos_ += n;
  return p;
}

std::string TPDReadStream::ReadString(size_t n) {
  const uint8_t* p = ReadBytes(n);
  return std::string(reinterpret_cast<const char*>(p), n);
}

static uint64_t LittleEndian(const uint8_t* p, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

int16_t TPDReadStream::ReadInt16() { return int16_t(uint16_t(LittleEndian(ReadBytes(2), 2))); }
int32_t TPDReadStream::ReadInt32() { return int32_t(ReadUInt32()); }
uint32_t TPDReadStream::ReadUInt32() { return uint32_t(LittleEndian(ReadBytes(4), 4)); }
int64_t TPDReadStream::ReadInt64() { return int64_t(LittleEndian(ReadBytes(8), 8)); }

void TPDWriteStream::WriteLE(uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) data_.push_back(char(uint8_t(v >> (8 * i))));
}
