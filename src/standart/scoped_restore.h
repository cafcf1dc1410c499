// A value changed for a while: the guard gives it back its value when it
// goes out of scope, however the scope is left.
#pragma once
#include <utility>

template <class T>
class tScopedRestore {
 public:
  explicit tScopedRestore(T& value) : value_(value), saved_(value) {}
  ~tScopedRestore() { value_ = std::move(saved_); }
  tScopedRestore(const tScopedRestore&) = delete;
  tScopedRestore& operator=(const tScopedRestore&) = delete;

 private:
  T& value_;
  T saved_;
};
