// The host callback interface of the stand-in: the POS object model of the
// configuration ("[object CLASS ID]" sections, "[host]" values) behind the
// interface tables of src/standart/pos_callback.h. Objects are looked up in
// the configuration loaded at the time of each call.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/platform.h"

#include "params_config.h"
#include "standart/pos_callback.h"

namespace {

bool SameGuid(const tOB7Guid* a, const tOB7Guid& b) { return a && std::memcmp(a, &b, sizeof b) == 0; }

const PosObjectEntry* FindObject(int32_t id) {
  for (const PosObjectEntry& o : CurrentConfig().objects)
    if (o.id == id) return &o;
  return nullptr;
}

// An object handed out: the interface table first, then the object's
// identifier and the references held.
struct ObjectProxy {
  iOB7Object Interface;
  int32_t Id;
  uint32_t References;
};

iOB7Object* NewProxy(int32_t id);

ObjectProxy* Proxy(iOB7Object* self) { return reinterpret_cast<ObjectProxy*>(self); }

bool Prop(iOB7Object* self, const char* name, int64_t& value) {
  std::lock_guard<std::recursive_mutex> lock(ConfigLock());
  const PosObjectEntry* o = FindObject(Proxy(self)->Id);
  if (!o || !name) return false;
  auto it = o->props.find(name);
  if (it == o->props.end()) return false;
  value = it->second;
  return true;
}

// The children of an object: the objects naming it as parent, in file order.
std::vector<int32_t> Children(int32_t id) {
  std::vector<int32_t> list;
  for (const PosObjectEntry& o : CurrentConfig().objects)
    if (o.parent == id && id != 0) list.push_back(o.id);
  return list;
}

int32_t ZEF_STDCALL ObjectQuery(iOB7Object*, const tOB7Guid*, void** out) {
  if (out) *out = nullptr;
  return int32_t(0x80004002);  // no other interfaces
}
uint32_t ZEF_STDCALL ObjectAddRef(iOB7Object* self) { return ++Proxy(self)->References; }
uint32_t ZEF_STDCALL ObjectRelease(iOB7Object* self) {
  const uint32_t left = --Proxy(self)->References;
  if (left == 0) delete Proxy(self);
  return left;
}
// A text into a character array of `size` bytes, zero-terminated.
void CopyText(const std::string& text, char* buffer, int32_t size) {
  if (!buffer || size <= 0) return;
  const size_t n = std::min<size_t>(text.size(), size_t(size - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = 0;
}

int32_t ZEF_STDCALL ObjectIdent(iOB7Object* self) { return Proxy(self)->Id; }
void ZEF_STDCALL ObjectName(iOB7Object* self, char* buffer, int32_t size) {
  std::lock_guard<std::recursive_mutex> lock(ConfigLock());
  const PosObjectEntry* o = FindObject(Proxy(self)->Id);
  CopyText(o ? o->name : std::string(), buffer, size);
}
uint8_t ZEF_STDCALL ObjectIntProp(iOB7Object* self, const char* name, int32_t* value) {
  int64_t v = 0;
  if (!value || !Prop(self, name, v)) return 0;
  *value = int32_t(v);
  return 1;
}
uint8_t ZEF_STDCALL ObjectInt64Prop(iOB7Object* self, const char* name, int64_t* value) {
  int64_t v = 0;
  if (!value || !Prop(self, name, v)) return 0;
  *value = v;
  return 1;
}
int32_t ZEF_STDCALL ObjectChildCount(iOB7Object* self) {
  std::lock_guard<std::recursive_mutex> lock(ConfigLock());
  return int32_t(Children(Proxy(self)->Id).size());
}
iOB7Object* ZEF_STDCALL ObjectChild(iOB7Object* self, int32_t index) {
  std::lock_guard<std::recursive_mutex> lock(ConfigLock());
  const std::vector<int32_t> list = Children(Proxy(self)->Id);
  return index >= 0 && size_t(index) < list.size() ? NewProxy(list[size_t(index)]) : nullptr;
}
int32_t ZEF_STDCALL ObjectClassNum(iOB7Object* self) {
  std::lock_guard<std::recursive_mutex> lock(ConfigLock());
  const PosObjectEntry* o = FindObject(Proxy(self)->Id);
  return o ? o->objectClass : 0;
}

const tOB7ObjectTable kObjectTable = {ObjectQuery,    ObjectAddRef,     ObjectRelease,   ObjectIdent,
                                      ObjectName,     ObjectIntProp,    ObjectInt64Prop, ObjectChildCount,
                                      ObjectChild,    ObjectClassNum};

iOB7Object* NewProxy(int32_t id) { return &(new ObjectProxy{{&kObjectTable}, id, 1})->Interface; }

// ---- the host interface ----

// ---- the printing and XML interfaces of the host ----

constexpr int32_t kNoInterface = int32_t(0x80004002);

int32_t ZEF_STDCALL PartQuery(iOB7Unknown*, const tOB7Guid*, void** out) {
  if (out) *out = nullptr;
  return kNoInterface;
}
uint32_t ZEF_STDCALL PartAddRef(iOB7Unknown*) { return 1; }
uint32_t ZEF_STDCALL PartRelease(iOB7Unknown*) { return 1; }
const tOB7UnknownTable kPartUnknown = {PartQuery, PartAddRef, PartRelease};

// The PRN bytes printed on a configured printer are appended to its file.
bool PrintOn(const std::string& printer, const uint8_t* prn, int32_t count, const std::string& line) {
  CheckTrusted();
  std::string file;
  {
    std::lock_guard<std::recursive_mutex> lock(ConfigLock());
    auto it = CurrentConfig().printers.find(printer);
    if (it == CurrentConfig().printers.end()) {
      LogRequest(line + " -> no such printer");
      return false;
    }
    file = it->second;
  }
  LogRequest(line);
  if (prn && count > 0) platform::AppendToFile(file, std::string(reinterpret_cast<const char*>(prn), size_t(count)));
  return true;
}

std::string PrintLine(const char* kind, const std::string& printer, int32_t count, uint8_t flag, int32_t value) {
  return std::string(kind) + " " + printer + " " + std::to_string(count) + " bytes, flag " + std::to_string(flag) +
         ", value " + std::to_string(value);
}

uint8_t ZEF_STDCALL PrintJob(iOB7PrintJobs*, const char* printer, const uint8_t* prn, int32_t count, uint8_t flag,
                             int32_t value, const char* jobInfo) {
  const std::string name = printer ? printer : "";
  return PrintOn(name, prn, count, PrintLine("PRINTJOB", name, count, flag, value) + ", " + (jobInfo ? jobInfo : "")) ? 1 : 0;
}
const tOB7PrintJobsTable kPrintJobsTable = {kPartUnknown, PrintJob};
iOB7PrintJobs g_printJobs{&kPrintJobsTable};

// Printers are numbered in name order from 0.
int32_t ZEF_STDCALL FindPrinter(iOB7Printers*, const char* printer) {
  std::lock_guard<std::recursive_mutex> lock(ConfigLock());
  int32_t index = 0;
  for (const auto& entry : CurrentConfig().printers) {
    if (printer && entry.first == printer) return index;
    ++index;
  }
  return -1;
}
uint8_t ZEF_STDCALL PrintOnPrinter(iOB7Printers*, int32_t printer, const uint8_t* prn, int32_t count, uint8_t flag,
                                   int32_t value) {
  std::string name;
  {
    std::lock_guard<std::recursive_mutex> lock(ConfigLock());
    int32_t index = 0;
    for (const auto& entry : CurrentConfig().printers)
      if (index++ == printer) name = entry.first;
  }
  return PrintOn(name, prn, count, PrintLine("PRINT", name, count, flag, value)) ? 1 : 0;
}
const tOB7PrintersTable kPrintersTable = {kPartUnknown, FindPrinter, PrintOnPrinter};
iOB7Printers g_printers{&kPrintersTable};

uint8_t ZEF_STDCALL ExecXML(iOB7XmlRequests*, const char* request, tOB7AnswerSink sink, void* context) {
  CheckTrusted();
  std::string answer;
  {
    std::lock_guard<std::recursive_mutex> lock(ConfigLock());
    answer = CurrentConfig().xmlAnswer;
  }
  LogRequest("XML " + std::string(request ? request : "") + " -> " + std::to_string(answer.size()) + " bytes");
  if (sink) sink(context, answer.data(), int32_t(answer.size()));
  return 1;
}
const tOB7XmlRequestsTable kXmlTable = {kPartUnknown, ExecXML};
iOB7XmlRequests g_xml{&kXmlTable};

// ---- the host interface ----

// The newer printing interface unless "print_jobs = 0" under [host]; the
// older one and the XML interface always.
int32_t ZEF_STDCALL HostQuery(iOB7InterfaceCallBack*, const tOB7Guid* iid, void** out) {
  if (!out) return kNoInterface;
  *out = nullptr;
  std::lock_guard<std::recursive_mutex> lock(ConfigLock());
  const auto& values = CurrentConfig().hostValues;
  auto jobs = values.find("print_jobs");
  if (SameGuid(iid, PosHost::kPrintJobs) && (jobs == values.end() || jobs->second != 0)) *out = &g_printJobs;
  else if (SameGuid(iid, PosHost::kPrinters)) *out = &g_printers;
  else if (SameGuid(iid, PosHost::kXmlRequests) && CurrentConfig().hasXml) *out = &g_xml;
  return *out ? 0 : kNoInterface;
}

void ZEF_STDCALL HostPerformMessage(iOB7InterfaceCallBack*, int32_t station, int32_t first, int32_t second,
                                    int32_t third) {
  CheckTrusted();
  LogRequest("PERFORM station " + std::to_string(station) + ": " + std::to_string(first) + " " +
             std::to_string(second) + " " + std::to_string(third));
}
uint32_t ZEF_STDCALL HostAddRef(iOB7InterfaceCallBack*) { return 1; }
uint32_t ZEF_STDCALL HostRelease(iOB7InterfaceCallBack*) { return 1; }
uint8_t ZEF_STDCALL HostIntValue(iOB7InterfaceCallBack*, int32_t, const char* name, int32_t* value) {
  std::lock_guard<std::recursive_mutex> lock(ConfigLock());
  if (!name || !value) return 0;
  const std::string key = name;
  // "#SYS#" names are the POS system values of the [system] section; a
  // text value ("7.0.30.0") is no integer.
  if (key.compare(0, 5, "#SYS#") == 0) {
    const auto& system = CurrentConfig().systemValues;
    auto it = system.find(key);
    if (it == system.end() || it->second.empty()) return 0;
    char* end = nullptr;
    const long number = std::strtol(it->second.c_str(), &end, 10);
    if (!end || *end != 0) return 0;
    *value = int32_t(number);
    return 1;
  }
  const auto& values = CurrentConfig().hostValues;
  auto it = values.find(key);
  if (it == values.end()) return 0;
  *value = it->second;
  return 1;
}
// Text values are the system values of the [system] section as written.
uint8_t ZEF_STDCALL HostTextValue(iOB7InterfaceCallBack*, int32_t, const char* name, char* buffer, int32_t size) {
  std::lock_guard<std::recursive_mutex> lock(ConfigLock());
  if (!name || !buffer || size <= 0) return 0;
  const auto& system = CurrentConfig().systemValues;
  auto it = system.find(name);
  if (it == system.end()) return 0;
  CopyText(it->second, buffer, size);
  return 1;
}
int32_t ZEF_STDCALL HostObjectCount(iOB7InterfaceCallBack*, int32_t, int32_t objectClass) {
  std::lock_guard<std::recursive_mutex> lock(ConfigLock());
  int32_t n = 0;
  for (const PosObjectEntry& o : CurrentConfig().objects) n += o.objectClass == objectClass;
  return n;
}
int32_t ZEF_STDCALL HostObjectIdent(iOB7InterfaceCallBack*, int32_t, int32_t objectClass, int32_t index) {
  std::lock_guard<std::recursive_mutex> lock(ConfigLock());
  for (const PosObjectEntry& o : CurrentConfig().objects)
    if (o.objectClass == objectClass && index-- == 0) return o.id;
  return 0;
}
int32_t ZEF_STDCALL HostObjectIntProp(iOB7InterfaceCallBack*, int32_t, int32_t id, const char* name) {
  std::lock_guard<std::recursive_mutex> lock(ConfigLock());
  const PosObjectEntry* o = FindObject(id);
  if (!o || !name) return 0;
  auto it = o->props.find(name);
  return it == o->props.end() ? 0 : int32_t(it->second);
}
uint8_t ZEF_STDCALL HostObjectTextProp(iOB7InterfaceCallBack*, int32_t, int32_t id, const char* name, char* buffer,
                                       int32_t size) {
  std::lock_guard<std::recursive_mutex> lock(ConfigLock());
  const PosObjectEntry* o = FindObject(id);
  if (!o || !name || !buffer || size <= 0) return 0;
  auto it = o->texts.find(name);
  if (it == o->texts.end()) return 0;
  CopyText(it->second, buffer, size);
  return 1;
}
// Tax objects (class 33) are tax interfaces; every object is a referent item.
uint8_t ZEF_STDCALL HostObjectAs(iOB7InterfaceCallBack*, int32_t, int32_t id, const tOB7Guid* iid, iOB7Object** out) {
  std::lock_guard<std::recursive_mutex> lock(ConfigLock());
  if (!out) return 0;
  *out = nullptr;
  const PosObjectEntry* o = FindObject(id);
  if (!o || !o->hasInterface) return 0;
  const bool tax = SameGuid(iid, PosHost::kTaxObject) && o->objectClass == 33;
  if (!tax && !SameGuid(iid, PosHost::kReferentItem)) return 0;
  *out = NewProxy(id);
  return 1;
}

const tOB7CallbackTable kHostTable = {HostQuery,       HostAddRef,        HostRelease,
                                      HostIntValue,    HostObjectCount,   HostObjectIdent,
                                      HostObjectIntProp, HostObjectAs,   HostPerformMessage,
                                      HostObjectTextProp, HostTextValue};
iOB7InterfaceCallBack g_host{&kHostTable};

}  // namespace

uint32_t PosCallbackAddress() { return uint32_t(uintptr_t(&g_host)); }
