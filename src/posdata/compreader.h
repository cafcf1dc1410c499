// The reader of the component stream inside the datasets buffer: the
// resource header, the "TPF0" signature and the tagged property values.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "posdata/pdstream.h"

// Value tags of the component stream.
enum TPDValueTag : uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,
  vaNil = 13,
  vaCollection = 14,
  vaSingle = 15,
  vaCurrency = 16,
  vaDate = 17,
  vaWString = 18,
  vaInt64 = 19,
  vaUTF8String = 20,
};

// A binary value: a view into the stream's buffer.
struct TPDBinary {
  const uint8_t* Data;
  size_t Size;
};

class TPDComponentReader {
 public:
  explicit TPDComponentReader(TPDReadStream& stream) : s_(stream) {}

  // Layer 1: the binary resource entry header ("Invalid stream format").
  void SkipResourceHeader();
  // "TPF0", else "Invalid stream format".
  void ReadSignature();
  // The optional flags prefix of a component, then its class and object name.
  void ReadComponentHeader(std::string& className, std::string& objectName);

  std::string ReadShortString();
  // The next property name, or false at the end of the list (consumed).
  bool NextPropertyName(std::string& name);
  bool EndOfList();  // consumes the 0 byte when it is next

  // Typed values. A tag that does not fit raises a property error after the
  // whole value has been passed over.
  int32_t ReadInteger();
  std::string ReadString();
  bool ReadBoolean();
  std::string ReadIdent();
  TPDBinary ReadBinary();
  // Collection: BeginCollection, then NextItem until it returns false; the
  // properties of an item are read with NextPropertyName.
  void BeginCollection();
  bool NextItem();
  // After BeginCollection: the number of items from here to the end of the
  // collection or to the first malformed one, leaving the position as it was.
  size_t CountItems();

  // Passing over a value or a whole nested component works at any depth,
  // without recursion; a structure it cannot follow is "Invalid stream
  // format", a stream that ends inside it "Stream read error".
  void SkipValue();
  void SkipComponent();

 private:
  // What a skip is inside of; each of them is ended by a 0 byte.
  enum class tOpen : uint8_t { List, Collection, Properties, Children };
  using tOpenStack = std::vector<tOpen>;

  [[noreturn]] void Mismatch(uint8_t tag);
  bool ItemListMarker();  // the optional order value, then the list marker
  void SkipScalar(uint8_t tag);
  void SkipTagged(uint8_t tag);  // the value whose tag has been read
  void Open(uint8_t tag, tOpenStack& open);
  void OpenComponent(tOpenStack& open);
  void SkipOpen(tOpenStack& open);

  TPDReadStream& s_;
};

// Unicode stream texts in the system code page, the form of every text of
// the container ('?' for characters the code page lacks).
std::string Utf8PropertyText(const std::string& utf8);
std::string WidePropertyText(const uint8_t* utf16le, size_t count);
