// The POS's object model as the host callback interface iOB7InterfaceCallBack
// offers it (the value "*IntCallback" of the parameter service): host values
// by name, integer ("DepartByClassification", "MainCharset", the system
// values "#SYS#ThisStationIdent" and the like, the setting "BillAlways") and
// text ("#SYS#MidServVersion"), the objects of a
// class with their integer and text properties, and an object as an
// interface with its identifier, name, integer properties, children and
// class. Both interfaces are COM-style tables of
// stdcall functions; the POS owns the objects, a caller releases what it
// was given.
#pragma once
#include <cstdint>
#include <string>

#include "platform/abi.h"

struct tOB7Guid {
  uint32_t Data1;
  uint16_t Data2, Data3;
  uint8_t Data4[8];
};
bool operator==(const tOB7Guid& a, const tOB7Guid& b);

struct iOB7Object;
struct tOB7ObjectTable {
  int32_t(ZEF_STDCALL* QueryInterface)(iOB7Object* self, const tOB7Guid* iid, void** out);
  uint32_t(ZEF_STDCALL* AddRef)(iOB7Object* self);
  uint32_t(ZEF_STDCALL* Release)(iOB7Object* self);
  int32_t(ZEF_STDCALL* Ident)(iOB7Object* self);
  // The name into a character array of `size` bytes, zero-terminated.
  void(ZEF_STDCALL* Name)(iOB7Object* self, char* buffer, int32_t size);
  uint8_t(ZEF_STDCALL* IntProp)(iOB7Object* self, const char* name, int32_t* value);
  uint8_t(ZEF_STDCALL* Int64Prop)(iOB7Object* self, const char* name, int64_t* value);
  int32_t(ZEF_STDCALL* ChildCount)(iOB7Object* self);
  // A child with a reference of its own, nil outside the list.
  iOB7Object*(ZEF_STDCALL* Child)(iOB7Object* self, int32_t index);
  int32_t(ZEF_STDCALL* ClassNum)(iOB7Object* self);
};
struct iOB7Object {
  const tOB7ObjectTable* Table;
};

struct iOB7InterfaceCallBack;
struct tOB7CallbackTable {
  int32_t(ZEF_STDCALL* QueryInterface)(iOB7InterfaceCallBack* self, const tOB7Guid* iid, void** out);
  uint32_t(ZEF_STDCALL* AddRef)(iOB7InterfaceCallBack* self);
  uint32_t(ZEF_STDCALL* Release)(iOB7InterfaceCallBack* self);
  uint8_t(ZEF_STDCALL* IntValue)(iOB7InterfaceCallBack* self, int32_t zero, const char* name, int32_t* value);
  int32_t(ZEF_STDCALL* ObjectCount)(iOB7InterfaceCallBack* self, int32_t zero, int32_t objectClass);
  int32_t(ZEF_STDCALL* ObjectIdent)(iOB7InterfaceCallBack* self, int32_t zero, int32_t objectClass, int32_t index);
  int32_t(ZEF_STDCALL* ObjectIntProp)(iOB7InterfaceCallBack* self, int32_t zero, int32_t ident, const char* name);
  // The object as the interface `iid`, with a reference of its own.
  uint8_t(ZEF_STDCALL* ObjectAs)(iOB7InterfaceCallBack* self, int32_t zero, int32_t ident, const tOB7Guid* iid,
                                 iOB7Object** out);
  // Hands three values of the driver to the POS's message handling, with the station.
  void(ZEF_STDCALL* PerformMessage)(iOB7InterfaceCallBack* self, int32_t station, int32_t first, int32_t second,
                                    int32_t third);
  // A text property of an object ("GUIDString") into a character array of
  // `size` bytes, zero-terminated; 0 when the object has no such property.
  uint8_t(ZEF_STDCALL* ObjectTextProp)(iOB7InterfaceCallBack* self, int32_t zero, int32_t ident, const char* name,
                                       char* buffer, int32_t size);
  // A text host value by name ("#SYS#MidServVersion") into a character
  // array of `size` bytes, zero-terminated; 0 when the host has none.
  uint8_t(ZEF_STDCALL* TextValue)(iOB7InterfaceCallBack* self, int32_t zero, const char* name, char* buffer,
                                  int32_t size);
};
struct iOB7InterfaceCallBack {
  const tOB7CallbackTable* Table;
};

// Further interfaces of the host, asked for with QueryInterface; each
// starts with the three methods of every COM interface.
struct iOB7Unknown;
struct tOB7UnknownTable {
  int32_t(ZEF_STDCALL* QueryInterface)(iOB7Unknown* self, const tOB7Guid* iid, void** out);
  uint32_t(ZEF_STDCALL* AddRef)(iOB7Unknown* self);
  uint32_t(ZEF_STDCALL* Release)(iOB7Unknown* self);
};
struct iOB7Unknown {
  const tOB7UnknownTable* Table;
};

// Printing on a POS printer named by the caller, with a job description
// (XML text, root "JobInfo"); true when the job was taken.
struct iOB7PrintJobs;
struct tOB7PrintJobsTable {
  tOB7UnknownTable Unknown;
  uint8_t(ZEF_STDCALL* PrintJob)(iOB7PrintJobs* self, const char* printerName, const uint8_t* prn, int32_t count,
                                 uint8_t flag, int32_t value, const char* jobInfo);
};
struct iOB7PrintJobs {
  const tOB7PrintJobsTable* Table;
};

// The older printing interface: a printer is looked up by name first
// (negative: none), then printed on.
struct iOB7Printers;
struct tOB7PrintersTable {
  tOB7UnknownTable Unknown;
  int32_t(ZEF_STDCALL* FindPrinter)(iOB7Printers* self, const char* printerName);
  uint8_t(ZEF_STDCALL* Print)(iOB7Printers* self, int32_t printer, const uint8_t* prn, int32_t count, uint8_t flag,
                              int32_t value);
};
struct iOB7Printers {
  const tOB7PrintersTable* Table;
};

// XML requests to the POS. The answer is handed to `sink` (with `context`)
// before ExecXML returns; the POS keeps ownership of its bytes.
using tOB7AnswerSink = void(ZEF_STDCALL*)(void* context, const char* data, int32_t size);
struct iOB7XmlRequests;
struct tOB7XmlRequestsTable {
  tOB7UnknownTable Unknown;
  uint8_t(ZEF_STDCALL* ExecXML)(iOB7XmlRequests* self, const char* request, tOB7AnswerSink sink, void* context);
};
struct iOB7XmlRequests {
  const tOB7XmlRequestsTable* Table;
};

namespace PosHost {

constexpr tOB7Guid kPrintJobs = {0xFAF0D437, 0x12C4, 0x4094, {0xB5, 0x8E, 0x5A, 0xD8, 0x93, 0x44, 0x5A, 0x07}};
constexpr tOB7Guid kPrinters = {0xEFA4E1A3, 0x72C9, 0x4D09, {0xA0, 0xE1, 0x02, 0xF7, 0x03, 0xAC, 0xF6, 0xFB}};
constexpr tOB7Guid kXmlRequests = {0xFF841ACD, 0x9E55, 0x4275, {0x98, 0xF6, 0x7D, 0x8C, 0xDF, 0x09, 0x68, 0x32}};

constexpr tOB7Guid kTaxObject = {0xCF4EC32A, 0x0A0D, 0x47CF, {0x95, 0x43, 0xB8, 0xB0, 0xAC, 0x75, 0x12, 0x78}};
constexpr tOB7Guid kReferentItem = {0xC86C3ADC, 0xC752, 0x4595, {0x85, 0x32, 0xD9, 0x87, 0x7C, 0x9C, 0x78, 0xDF}};

// One POS object, released when the holder goes.
class tObject {
 public:
  tObject() = default;
  explicit tObject(iOB7Object* object) : object_(object) {}
  ~tObject() { Reset(); }
  tObject(tObject&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
  tObject& operator=(tObject&& other) noexcept;
  tObject(const tObject&) = delete;
  tObject& operator=(const tObject&) = delete;

  explicit operator bool() const { return object_ != nullptr; }
  int32_t Ident() const;
  // The text up to the first zero byte of a name array of `size` bytes.
  std::string Name(int32_t size) const;
  bool IntProp(const std::string& name, int32_t& value) const;
  bool Int64Prop(const std::string& name, int64_t& value) const;
  int32_t ChildCount() const;
  tObject Child(int32_t index) const;
  int32_t ClassNum() const;

 private:
  void Reset();
  iOB7Object* object_ = nullptr;
};

// The host interface at `address` (0: none; every request is then unanswered).
class tHost {
 public:
  explicit tHost(uint32_t address) : host_(reinterpret_cast<iOB7InterfaceCallBack*>(uintptr_t(address))) {}
  explicit operator bool() const { return host_ != nullptr; }
  bool IntValue(const std::string& name, int32_t& value) const;
  // A text host value, read into a buffer of 256 bytes; false when the host has none.
  bool TextValue(const std::string& name, std::string& value) const;
  int32_t ObjectCount(int32_t objectClass) const;
  int32_t ObjectIdent(int32_t objectClass, int32_t index) const;
  // An integer property of an object (0 when the host has none).
  int32_t ObjectIntProp(int32_t ident, const std::string& name) const;
  // A text property of an object; false when the host has none.
  bool ObjectTextProp(int32_t ident, const std::string& name, std::string& value) const;
  tObject ObjectAs(int32_t ident, const tOB7Guid& iid) const;
  void PerformMessage(int32_t station, int32_t first, int32_t second, int32_t third) const;
  // The interface `iid` of the host, with a reference of its own (nil when
  // the host has none); the caller releases it.
  void* Query(const tOB7Guid& iid) const;

 private:
  iOB7InterfaceCallBack* host_;
};

}  // namespace PosHost
