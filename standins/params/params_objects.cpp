// The host callback interface of the stand-in: the POS object model of the
// configuration ("[object CLASS ID]" sections, "[host]" values) behind the
// interface tables of src/standart/pos_callback.h. Objects are looked up in
// the configuration loaded at the time of each call.
#include <cstring>
#include <mutex>
#include <algorithm>
#include <vector>

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
int32_t ZEF_STDCALL ObjectIdent(iOB7Object* self) { return Proxy(self)->Id; }
void ZEF_STDCALL ObjectName(iOB7Object* self, char* buffer, int32_t size) {
  std::lock_guard<std::recursive_mutex> lock(ConfigLock());
  if (!buffer || size <= 0) return;
  const PosObjectEntry* o = FindObject(Proxy(self)->Id);
  const std::string name = o ? o->name : std::string();
  const size_t n = std::min<size_t>(name.size(), size_t(size - 1));
  std::memcpy(buffer, name.data(), n);
  buffer[n] = 0;
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

int32_t ZEF_STDCALL HostQuery(iOB7InterfaceCallBack*, const tOB7Guid*, void** out) {
  if (out) *out = nullptr;
  return int32_t(0x80004002);
}
uint32_t ZEF_STDCALL HostAddRef(iOB7InterfaceCallBack*) { return 1; }
uint32_t ZEF_STDCALL HostRelease(iOB7InterfaceCallBack*) { return 1; }
uint8_t ZEF_STDCALL HostIntValue(iOB7InterfaceCallBack*, int32_t, const char* name, int32_t* value) {
  std::lock_guard<std::recursive_mutex> lock(ConfigLock());
  const auto& values = CurrentConfig().hostValues;
  auto it = name ? values.find(name) : values.end();
  if (it == values.end() || !value) return 0;
  *value = it->second;
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
                                      HostObjectIntProp, HostObjectAs};
iOB7InterfaceCallBack g_host{&kHostTable};

}  // namespace

uint32_t PosCallbackAddress() { return uint32_t(uintptr_t(&g_host)); }
