// The description of an order's datasets from which the writer builds the
// stream that the POS hands over with a fiscal document.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "posdata/vartype.h"

namespace orderwriter {

struct ColumnDesc {
  std::string FieldName;
  TVarType VarType = vtNone;
  std::string Caption;  // empty: the field name
  int32_t RefColNum = 0;
  int32_t LinkTable = 0;
  bool Visible = true;
  std::string AliasInfo;
  std::string Desc;
  std::string UserName;
  std::string Expression;
};

struct DataSetDesc {
  std::string ObjClass = "TPDDataSet";
  std::string Name;
  std::string Caption;  // empty: the name
  int32_t RefColNum = 0;
  int32_t AliasInfo = 0;
  int32_t StreamVersion = 1;
  bool OneRowDataset = false;
  std::vector<ColumnDesc> Columns;
  std::vector<std::vector<VarType>> Records;
  // Stream version 2 only: the reference names travel with the records,
  // one per reference column of each record.
  bool AliasesReady = false;
  std::vector<std::vector<std::string>> AliasNames;
};

struct LinkDesc {
  std::string MasterTable, ChildTable, MasterField, ChildField;
};

struct OrderDesc {
  std::string ResourceName = "PDDATA";
  std::string ClassName = "TPDDataSource";
  std::string ObjectName = "PDS";
  int32_t Tag = 0;
  int32_t StreamVersion = 1;
  std::vector<LinkDesc> Links;
  std::vector<DataSetDesc> DataSets;
};

}  // namespace orderwriter
