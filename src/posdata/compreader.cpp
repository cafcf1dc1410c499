#include "posdata/compreader.h"

#include <cstring>

#include "platform/codepage.h"
#include "posdata/pderrors.h"
#include "posdata/pdtext.h"

namespace {

constexpr size_t kHeaderReadSize = 79;
constexpr size_t kHeaderNameOffset = 3;
constexpr size_t kHeaderFixedTail = 6;  // memory flags and data size

bool IsIntegerTag(uint8_t tag) { return tag == vaInt8 || tag == vaInt16 || tag == vaInt32; }

}  // namespace

std::string Utf8PropertyText(const std::string& utf8) {
  return platform::WideToSingleByte(platform::kCodePageSystem, platform::Utf8ToWide(utf8));
}

std::string WidePropertyText(const uint8_t* p, size_t count) {
  std::u16string wide(count, u'\0');
  for (size_t i = 0; i < count; ++i) wide[i] = char16_t(p[2 * i] | (p[2 * i + 1] << 8));
  return platform::WideToSingleByte(platform::kCodePageSystem, wide);
}

void TPDComponentReader::SkipResourceHeader() {
  const size_t available = s_.Size() < kHeaderReadSize ? s_.Size() : kHeaderReadSize;
  s_.Seek(0);
  const uint8_t* header = s_.ReadBytes(available);
  if (available < 2 || header[0] != 0xFF || header[1] != 0x0A) ThrowInvalidFormat();
  const void* end = available > kHeaderNameOffset
                        ? std::memchr(header + kHeaderNameOffset, 0, available - kHeaderNameOffset)
                        : nullptr;
  if (end == nullptr) ThrowInvalidFormat();
  const size_t nameLength = static_cast<const uint8_t*>(end) - (header + kHeaderNameOffset);
  s_.Seek(kHeaderNameOffset + nameLength + 1 + kHeaderFixedTail);
}

void TPDComponentReader::ReadSignature() {
  const uint8_t* signature = s_.ReadBytes(4);
  if (std::memcmp(signature, "TPF0", 4) != 0) ThrowInvalidFormat();
}

void TPDComponentReader::ReadComponentHeader(std::string& className, std::string& objectName) {
  if ((s_.PeekByte() & 0xF0) == 0xF0) {
    const uint8_t flags = s_.ReadByte();
    if (flags & 0x02) {  // child position
      const uint8_t tag = s_.ReadByte();
      if (!IsIntegerTag(tag)) ThrowInvalidFormat();
      SkipScalar(tag);
    }
  }
  className = ReadShortString();
  objectName = ReadShortString();
}

std::string TPDComponentReader::ReadShortString() { return s_.ReadString(s_.ReadByte()); }

bool TPDComponentReader::EndOfList() {
  if (s_.PeekByte() != vaNull) return false;
  s_.ReadByte();
  return true;
}

bool TPDComponentReader::NextPropertyName(std::string& name) {
  if (EndOfList()) return false;
  name = ReadShortString();
  return true;
}

void TPDComponentReader::Mismatch(uint8_t tag) {
  SkipTagged(tag);
  ThrowPropertyError();
}

int32_t TPDComponentReader::ReadInteger() {
  const uint8_t tag = s_.ReadByte();
  switch (tag) {
    case vaInt8: return int8_t(s_.ReadByte());
    case vaInt16: return s_.ReadInt16();
    case vaInt32: return s_.ReadInt32();
    default: Mismatch(tag);
  }
}

std::string TPDComponentReader::ReadString() {
  const uint8_t tag = s_.ReadByte();
  switch (tag) {
    case vaString: return ReadShortString();
    case vaLString: return s_.ReadString(s_.ReadUInt32());
    case vaUTF8String: return Utf8PropertyText(s_.ReadString(s_.ReadUInt32()));
    case vaWString: {
      const uint64_t count = s_.ReadUInt32();
      if (count * 2 > s_.Remaining()) ThrowReadError();
      return WidePropertyText(s_.ReadBytes(size_t(count * 2)), size_t(count));
    }
    default: Mismatch(tag);
  }
}

bool TPDComponentReader::ReadBoolean() {
  const uint8_t tag = s_.ReadByte();
  if (tag == vaTrue) return true;
  if (tag == vaFalse) return false;
  Mismatch(tag);
}

std::string TPDComponentReader::ReadIdent() {
  const uint8_t tag = s_.ReadByte();
  if (tag != vaIdent) Mismatch(tag);
  return ReadShortString();
}

TPDBinary TPDComponentReader::ReadBinary() {
  const uint8_t tag = s_.ReadByte();
  if (tag != vaBinary) Mismatch(tag);
  const uint32_t size = s_.ReadUInt32();
  return TPDBinary{s_.ReadBytes(size), size};
}

void TPDComponentReader::BeginCollection() {
  const uint8_t tag = s_.ReadByte();
  if (tag != vaCollection) Mismatch(tag);
}

bool TPDComponentReader::ItemListMarker() {
  if (IsIntegerTag(s_.PeekByte())) SkipScalar(s_.ReadByte());  // the item's order value
  return s_.ReadByte() == vaList;
}

bool TPDComponentReader::NextItem() {
  if (EndOfList()) return false;
  if (!ItemListMarker()) ThrowPropertyError();
  return true;
}

size_t TPDComponentReader::CountItems() {
  const size_t start = s_.Position();
  size_t count = 0;
  tOpenStack open;
  try {
    while (!EndOfList() && ItemListMarker()) {
      open.assign(1, tOpen::Properties);
      SkipOpen(open);
      ++count;
    }
  } catch (const EPDError&) {
    // Reading the items meets the same fault and deals with it.
  }
  s_.Seek(start);
  return count;
}

void TPDComponentReader::SkipValue() { SkipTagged(s_.ReadByte()); }

void TPDComponentReader::SkipComponent() {
  tOpenStack open;
  OpenComponent(open);
  SkipOpen(open);
}

void TPDComponentReader::SkipTagged(uint8_t tag) {
  tOpenStack open;
  Open(tag, open);
  SkipOpen(open);
}

// A list or a collection is opened for SkipOpen; anything else is passed.
void TPDComponentReader::Open(uint8_t tag, tOpenStack& open) {
  if (tag == vaList) {
    open.push_back(tOpen::List);
  } else if (tag == vaCollection) {
    open.push_back(tOpen::Collection);
  } else {
    SkipScalar(tag);
  }
}

void TPDComponentReader::OpenComponent(tOpenStack& open) {
  std::string className, objectName;
  ReadComponentHeader(className, objectName);
  open.push_back(tOpen::Children);
  open.push_back(tOpen::Properties);
}

// Each step consumes at least one byte, so the stack never holds more
// entries than the stream has bytes.
void TPDComponentReader::SkipOpen(tOpenStack& open) {
  while (!open.empty()) {
    if (EndOfList()) {
      open.pop_back();
      continue;
    }
    switch (open.back()) {
      case tOpen::List: Open(s_.ReadByte(), open); break;
      case tOpen::Properties:
        s_.Skip(s_.ReadByte());  // the name
        Open(s_.ReadByte(), open);
        break;
      case tOpen::Collection:
        if (!ItemListMarker()) ThrowInvalidFormat();
        open.push_back(tOpen::Properties);
        break;
      case tOpen::Children: OpenComponent(open); break;
    }
  }
}

void TPDComponentReader::SkipScalar(uint8_t tag) {
  switch (tag) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil: return;
    case vaInt8: s_.Skip(1); return;
    case vaInt16: s_.Skip(2); return;
    case vaInt32:
    case vaSingle: s_.Skip(4); return;
    case vaExtended: s_.Skip(10); return;
    case vaCurrency:
    case vaDate:
    case vaInt64: s_.Skip(8); return;
    case vaString:
    case vaIdent: s_.Skip(s_.ReadByte()); return;
    case vaBinary:
    case vaLString:
    case vaUTF8String: s_.Skip(s_.ReadUInt32()); return;
    case vaWString: {
      const uint64_t bytes = uint64_t(s_.ReadUInt32()) * 2;
      if (bytes > s_.Remaining()) ThrowReadError();
      s_.Skip(size_t(bytes));
      return;
    }
    case vaSet:
      for (uint8_t length = s_.ReadByte(); length != 0; length = s_.ReadByte()) s_.Skip(length);
      return;
    default: ThrowInvalidFormat();  // an unknown tag has no known length
  }
}
