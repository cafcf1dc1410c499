// The buffer the text form is written into: small pieces collect in a local
// block that goes to the target string in large appends.
#pragma once
#include <cstring>
#include <string>

#include "xml/xmlnode.h"

class TXmlNode::tXmlOutput {
 public:
  explicit tXmlOutput(std::string& target) : target_(target) {}
  ~tXmlOutput() { Flush(); }
  tXmlOutput(const tXmlOutput&) = delete;
  tXmlOutput& operator=(const tXmlOutput&) = delete;

  void Put(char c) {
    if (used_ == kBlockSize) Flush();
    block_[used_++] = c;
  }
  void Put(const char* text, size_t length) {
    if (length > kBlockSize - used_) {
      Flush();
      if (length > kBlockSize) {
        target_.append(text, length);
        return;
      }
    }
    std::memcpy(block_ + used_, text, length);
    used_ += length;
  }
  void Put(const std::string& text) { Put(text.data(), text.size()); }
  // " name=\"" in one step.
  void PutAttrStart(const std::string& name) {
    const size_t length = name.size() + 3;
    if (length > kBlockSize - used_) {
      Put(' ');
      Put(name);
      Put("=\"", 2);
      return;
    }
    char* out = block_ + used_;
    out[0] = ' ';
    std::memcpy(out + 1, name.data(), name.size());
    out[length - 2] = '=';
    out[length - 1] = '"';
    used_ += length;
  }
  void Put(const char* text) { Put(text, std::strlen(text)); }
  void PutRepeated(char c, size_t count) {
    while (count--) Put(c);
  }
  size_t Size() const { return target_.size() + used_; }
  // The byte `back` places before the end (1: the last one).
  char& Back(size_t back) { return back <= used_ ? block_[used_ - back] : target_[target_.size() - (back - used_)]; }

 private:
  void Flush() {
    target_.append(block_, used_);
    used_ = 0;
  }

  static constexpr size_t kBlockSize = 8192;
  std::string& target_;
  size_t used_ = 0;
  char block_[kBlockSize];
};
