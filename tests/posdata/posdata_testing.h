// Helpers of the POS data tests: orders built with the order writer and
// loaded the way the fiscal register loads them.
#pragma once
#include <memory>
#include <string>

#include "orderdesc.h"
#include "orderstream.h"
#include "posdata/pderrors.h"
#include "posdata/pdhooks.h"
#include "posdata/pdsource.h"

namespace posdata_testing {

using orderwriter::ColumnDesc;
using orderwriter::DataSetDesc;
using orderwriter::OrderDesc;

inline VarType IntValue(int64_t v) { VarType x; x.SetInteger(v); return x; }
inline VarType StrValue(const std::string& s) { VarType x; x.SetString(s); return x; }
inline VarType FracValue(int64_t f) { VarType x; x.SetFrac(f); return x; }

inline ColumnDesc Column(const std::string& name, TVarType type, int32_t refColNum = 0) {
  ColumnDesc c;
  c.FieldName = name;
  c.VarType = type;
  c.RefColNum = refColNum;
  return c;
}

// Clear, load with version 1, Open: the per-document sequence.
inline std::unique_ptr<TPDDataSource> Load(const std::string& bytes) {
  auto source = std::make_unique<TPDDataSource>();
  source->LoadDocument(bytes.data(), int32_t(bytes.size()));
  return source;
}

// The message of the load's failure; empty when it loads.
inline std::string LoadError(const std::string& bytes) {
  try {
    Load(bytes);
  } catch (const EPDError& e) {
    return e.what();
  }
  return "";
}

// Inserts `insertion` before the property whose name is `name`.
inline std::string InsertBeforeProperty(const std::string& bytes, const std::string& name,
                                        const std::string& insertion) {
  const std::string key = std::string(1, char(name.size())) + name;
  const size_t at = bytes.find(key);
  if (at == std::string::npos) return bytes;
  return bytes.substr(0, at) + insertion + bytes.substr(at);
}

inline std::string Property(const std::string& name, const std::string& value) {
  return std::string(1, char(name.size())) + name + value;
}

// Sets the hooks for one test and unsets them afterwards.
class HookScope {
 public:
  explicit HookScope(const TPDHooks& hooks) { SetPDHooks(hooks); }
  ~HookScope() { SetPDHooks(TPDHooks()); }
};

}  // namespace posdata_testing
