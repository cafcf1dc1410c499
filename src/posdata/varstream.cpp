#include "posdata/varstream.h"

VarType ReadValue(TPDReadStream& stream) {
  VarType v;
  const uint8_t tag = stream.ReadByte();
  switch (tag) {
    case vtNone: break;
    case vtString: v.Str = stream.ReadString(stream.ReadByte()); break;
    case vtInteger: v.Value = stream.ReadInt32(); break;
    case vtFloat:
    case vtFrac:
    case vtDateTime: v.Value = stream.ReadInt64(); break;
    case vtBoolean: v.Value = stream.ReadByte(); break;
    case vtLongString:
      v.Str = stream.ReadString(stream.ReadUInt32());
      v.Type = vtString;  // in memory every string is one type
      return v;
    default: break;  // unknown tags carry no payload
  }
  v.Type = static_cast<TVarType>(tag);
  return v;
}

void WriteValue(TPDWriteStream& stream, const VarType& value) {
  const bool longString = value.Type == vtString && value.Str.size() > 255;
  stream.WriteByte(longString ? uint8_t(vtLongString) : uint8_t(value.Type));
  switch (value.Type) {
    case vtString:
      if (longString) {
        stream.WriteInt32(int32_t(value.Str.size()));
      } else {
        stream.WriteByte(uint8_t(value.Str.size()));
      }
      stream.WriteBytes(value.Str);
      break;
    case vtInteger: stream.WriteInt32(int32_t(uint32_t(uint64_t(value.Value)))); break;
    case vtFloat:
    case vtFrac:
    case vtDateTime: stream.WriteInt64(value.Value); break;
    case vtBoolean: stream.WriteByte(uint8_t(value.Value)); break;
    case vtLongString:
      stream.WriteInt32(int32_t(value.Str.size()));
      stream.WriteBytes(value.Str);
      break;
    default: break;
  }
}
