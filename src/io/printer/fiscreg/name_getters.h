// Name getters: where the printed name of a dish, modifier, discount or
// currency is read, with the alternative names and the optional name
// suffix property of the register.
#pragma once
#include <memory>
#include <string>

#include "io/printer/discounts/name_getter.h"

class tNameGetter : public IGetNameIntf {
 public:
  // mainPath and altPath: the name and the alternative name; suffixPath:
  // read first when set (empty for none).
  tNameGetter(const std::string& mainPath, const std::string& altPath, const std::string& suffixPath,
              bool useAlt);

  bool IsPath() const override;
  using IGetNameIntf::GetName;
  std::string GetName(tRecordReader& record) const override;
  std::string GetObjectName(const iReferentItem& object) const override;

  const std::string& MainPath() const { return mainPath_.Text(); }
  const std::string& SuffixPath() const { return suffixPath_.Text(); }
  bool UseAlt() const { return useAlt_; }

 protected:
  // The text of `path` unless it is empty or only a byte order mark.
  static bool UsableText(tRecordReader& record, const tFieldName& path, std::string& text);

  tFieldName mainPath_;
  tFieldName suffixPath_;
  bool useAlt_;
};

// Dish names: for a charge record ("Dish" 0) the "Dish." paths are first
// tried as "Charge." paths.
class tDishNameGetter : public tNameGetter {
 public:
  using tNameGetter::tNameGetter;
  using IGetNameIntf::GetName;
  std::string GetName(tRecordReader& record) const override;

 private:
  tFieldName chargeMainPath_{ChargePath(mainPath_.Text())};
  tFieldName chargeSuffixPath_{ChargePath(suffixPath_.Text())};
  static std::string ChargePath(const std::string& path);
};

// The text is empty or only the UTF-8 byte order mark.
bool IsEmptyName(const std::string& text);

// The getters of the order preparation; nameSuffix is the register's
// NameSuffix (empty for none).
tNameGetterRef NewNameGetter(const std::string& objectPath, bool useAlt, const std::string& nameSuffix);
tNameGetterRef NewDishNameGetter(bool fixedNames, bool useAlt, const std::string& nameSuffix);
tNameGetterRef NewPortionNameGetter(bool useAlt);
tNameGetterRef NewModifierNameGetter(bool useAlt, const std::string& nameSuffix);
