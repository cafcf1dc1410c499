#include "standart/pos_callback.h"

#include <cstring>
#include <vector>

bool operator==(const tOB7Guid& a, const tOB7Guid& b) {
  return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
         std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}

namespace PosHost {

namespace {

// A text the host writes into a character array of 256 bytes; a zero byte
// beyond the array ends a text the host did not end.
template <class Read>
bool ReadText(std::string& value, Read read) {
  constexpr int32_t kTextSize = 256;
  std::vector<char> buffer(size_t(kTextSize) + 1, 0);
  if (!read(buffer.data(), kTextSize)) return false;
  value = buffer.data();
  return true;
}

}  // namespace

tObject& tObject::operator=(tObject&& other) noexcept {
  if (this != &other) {
    Reset();
    object_ = other.object_;
    other.object_ = nullptr;
  }
  return *this;
}

void tObject::Reset() {
  if (object_) object_->Table->Release(object_);
  object_ = nullptr;
}

int32_t tObject::Ident() const { return object_ ? object_->Table->Ident(object_) : 0; }

std::string tObject::Name(int32_t size) const {
  if (!object_ || size <= 0) return std::string();
  std::vector<char> buffer(size_t(size) + 1, 0);
  object_->Table->Name(object_, buffer.data(), size);
  return std::string(buffer.data());
}

bool tObject::IntProp(const std::string& name, int32_t& value) const {
  return object_ && object_->Table->IntProp(object_, name.c_str(), &value) != 0;
}

bool tObject::Int64Prop(const std::string& name, int64_t& value) const {
  return object_ && object_->Table->Int64Prop(object_, name.c_str(), &value) != 0;
}

int32_t tObject::ChildCount() const { return object_ ? object_->Table->ChildCount(object_) : 0; }

tObject tObject::Child(int32_t index) const {
  return tObject(object_ ? object_->Table->Child(object_, index) : nullptr);
}

int32_t tObject::ClassNum() const { return object_ ? object_->Table->ClassNum(object_) : 0; }

bool tHost::IntValue(const std::string& name, int32_t& value) const {
  return host_ && host_->Table->IntValue(host_, 0, name.c_str(), &value) != 0;
}

bool tHost::TextValue(const std::string& name, std::string& value) const {
  if (!host_ || !host_->Table->TextValue) return false;
  return ReadText(value, [&](char* buffer, int32_t size) {
    return host_->Table->TextValue(host_, 0, name.c_str(), buffer, size);
  });
}

int32_t tHost::ObjectCount(int32_t objectClass) const {
  return host_ ? host_->Table->ObjectCount(host_, 0, objectClass) : 0;
}

int32_t tHost::ObjectIdent(int32_t objectClass, int32_t index) const {
  return host_ ? host_->Table->ObjectIdent(host_, 0, objectClass, index) : 0;
}

int32_t tHost::ObjectIntProp(int32_t ident, const std::string& name) const {
  return host_ ? host_->Table->ObjectIntProp(host_, 0, ident, name.c_str()) : 0;
}

bool tHost::ObjectTextProp(int32_t ident, const std::string& name, std::string& value) const {
  if (!host_ || !host_->Table->ObjectTextProp) return false;
  return ReadText(value, [&](char* buffer, int32_t size) {
    return host_->Table->ObjectTextProp(host_, 0, ident, name.c_str(), buffer, size);
  });
}

tObject tHost::ObjectAs(int32_t ident, const tOB7Guid& iid) const {
  iOB7Object* object = nullptr;
  if (!host_ || !host_->Table->ObjectAs(host_, 0, ident, &iid, &object)) return tObject();
  return tObject(object);
}

void tHost::PerformMessage(int32_t station, int32_t first, int32_t second, int32_t third) const {
  if (host_ && host_->Table->PerformMessage) host_->Table->PerformMessage(host_, station, first, second, third);
}

void* tHost::Query(const tOB7Guid& iid) const {
  void* out = nullptr;
  if (!host_ || host_->Table->QueryInterface(host_, &iid, &out) != 0) return nullptr;
  return out;
}

}  // namespace PosHost
