// The POS's object model as the order preparation reads it: reference
// objects (classification groups, enumerations) and host values. The
// fiscal register answers through the POS callback interface; without one
// nothing is found.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

// One POS reference object (IReferentItem).
class iReferentItem {
 public:
  virtual ~iReferentItem() = default;
  virtual int32_t Id() const = 0;
  virtual std::string Name() const = 0;
  virtual std::string AltName() const = 0;
  // An integer property; false when the object has none.
  virtual bool IntProperty(const std::string& name, int64_t& value) const = 0;
  // A property as text; empty when the object has none.
  virtual std::string TextProperty(const std::string& name) const = 0;
};

using tReferentRef = std::shared_ptr<const iReferentItem>;

class iPosReferences {
 public:
  virtual ~iPosReferences() = default;
  // An integer host value by name ("DepartByClassification").
  virtual bool HostInteger(const std::string& name, int64_t& value) = 0;
  // The objects of a kind in the host's order; nullptr for one that cannot
  // be read.
  virtual int32_t ObjectCount(int32_t kind) = 0;
  virtual tReferentRef ObjectAt(int32_t kind, int32_t index) = 0;
  virtual tReferentRef ObjectById(int32_t kind, int32_t id) = 0;
};

// POS object kinds read by the distribution.
constexpr int32_t kClassificationGroupKind = 8;
constexpr int32_t kItemKindTable = 5;
constexpr int32_t kPaymentMethodTable = 6;
