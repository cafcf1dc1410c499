// Where the distribution reads the printed name of a line, discount or
// modifier: the register builds the getters (with its alternative-name and
// name-suffix settings) and hands them in.
#pragma once
#include <memory>
#include <string>

#include "io/printer/discounts/discount_record.h"
#include "io/printer/discounts/discount_references.h"
#include "posdata/pddataset.h"

class IGetNameIntf {
 public:
  virtual ~IGetNameIntf() = default;
  // Whether the main path reads through a reference ("Dish.Name").
  virtual bool IsPath() const = 0;
  // The name for the current record of `record`.
  std::string GetName(const TPDDataSet& record) const {
    tRecordReader reader(record);
    return GetName(reader);
  }
  // The same through a reader that keeps its look-ups over a walk.
  virtual std::string GetName(tRecordReader& record) const = 0;
  // The name of a POS reference object, at most 42 characters.
  virtual std::string GetObjectName(const iReferentItem& object) const = 0;
};

using tNameGetterRef = std::shared_ptr<const IGetNameIntf>;
