// The reference-counted base of the XML model's objects and the counted
// reference through which they are held.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

class TXmlBase {
 public:
  TXmlBase(const TXmlBase&) = delete;
  TXmlBase& operator=(const TXmlBase&) = delete;

  void AddRef() const { refs_.fetch_add(1, std::memory_order_relaxed); }
  // Frees the object when the last reference goes.
  void Release() const {
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
  int32_t RefCount() const { return refs_.load(std::memory_order_relaxed); }
  // Takes the first reference of a new object that no other thread can see
  // yet (cheaper than AddRef).
  void AddFirstRef() const { refs_.store(1, std::memory_order_relaxed); }
  // Takes `count` references at once.
  void AddRefs(int32_t count) const { refs_.fetch_add(count, std::memory_order_relaxed); }

 protected:
  // Gives back `count` references; true when they were the last (the
  // caller then frees the object).
  bool ReleaseRefs(int32_t count) const { return refs_.fetch_sub(count, std::memory_order_acq_rel) == count; }

 protected:
  TXmlBase() = default;
  virtual ~TXmlBase() = default;

 private:
  mutable std::atomic<int32_t> refs_{0};
};

// A counted reference to a TXmlBase object (nil when empty). A reference to
// a derived class converts to one to its base; As<T>() goes the other way and
// gives nil when the object is not a T.
template <class T>
class tXmlRef {
 public:
  tXmlRef() = default;
  tXmlRef(std::nullptr_t) {}
  tXmlRef(T* object) : p_(object) {
    if (p_) p_->AddRef();
  }
  tXmlRef(const tXmlRef& other) : tXmlRef(other.p_) {}
  tXmlRef(tXmlRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  template <class U, std::enable_if_t<std::is_convertible_v<U*, T*>, int> = 0>
  tXmlRef(const tXmlRef<U>& other) : tXmlRef(other.get()) {}
  ~tXmlRef() {
    if (p_) p_->Release();
  }

  tXmlRef& operator=(tXmlRef other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }

  template <class U>
  tXmlRef<U> As() const {
    return tXmlRef<U>(dynamic_cast<U*>(p_));
  }

  friend bool operator==(const tXmlRef& a, const tXmlRef& b) { return a.p_ == b.p_; }
  friend bool operator!=(const tXmlRef& a, const tXmlRef& b) { return a.p_ != b.p_; }

 private:
  T* p_ = nullptr;
};

// Capacity after growing a list of `capacity` entries: by 4 while it has
// fewer than 9, by 16 up to 64, then by a quarter.
inline size_t GrownXmlCapacity(size_t capacity) {
  if (capacity > 64) return capacity + capacity / 4;
  if (capacity > 8) return capacity + 16;
  return capacity + 4;
}

