// One column definition of a POS dataset.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "posdata/vartype.h"

class TPDFieldDef {
 public:
  bool Visible = true;
  int32_t AliasCol = -1;  // index into a record's reference names
  int32_t RefColNum = 0;  // non-zero: a reference column of this object kind
  int32_t LinkTable = 0;
  std::string Expression;
  std::string Desc;
  std::string AliasInfo;
  std::string Caption;
  TVarType VarType = vtNone;

  const std::string& FieldName() const { return fieldName_; }
  // Also sets Caption when it is empty.
  void SetFieldName(const std::string& name);
  // FieldName when no user name was given.
  const std::string& UserName() const { return userName_.empty() ? fieldName_ : userName_; }
  void SetUserName(const std::string& name) { userName_ = name; }
  bool IsReference() const { return RefColNum != 0; }

 private:
  std::string fieldName_;
  std::string userName_;
};

using TPDFieldDefs = std::vector<TPDFieldDef>;
