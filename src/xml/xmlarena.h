// Block memory for the nodes of a parsed document: the parser takes its
// nodes from one arena instead of one heap block each. Every node keeps its
// arena alive; the arena's memory goes when the last of its nodes does
// (single nodes are not given back earlier).
#pragma once
#include <cstddef>
#include <memory>
#include <vector>

#include "xml/xmlbase.h"

class TXmlArena : public TXmlBase {
 public:
  TXmlArena() = default;
  ~TXmlArena() override;
  // Memory aligned for any node; used by one thread at a time.
  void* Allocate(size_t size);

 private:
  std::vector<char*> chunks_;
  char* next_ = nullptr;
  char* end_ = nullptr;
  size_t chunkSize_ = 4096;
};

using IXmlArena = tXmlRef<TXmlArena>;
