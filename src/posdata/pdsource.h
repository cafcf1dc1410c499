// The container of the POS order data: named datasets loaded from the
// datasets stream of a fiscal document, read-only afterwards.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "posdata/pddataset.h"
#include "posdata/pdstream.h"

struct TDataSetLink {
  std::string MasterTable;
  std::string ChildTable;
  std::string MasterField;
  std::string ChildField;
};
using TDataSetLinks = std::vector<TDataSetLink>;

// One item of the DataSets collection; owns its dataset.
class TPDCont {
 public:
  // "TPDDataSet" when a dataset is held, else empty.
  std::string ObjClass() const;
  // Whatever the class name, replaces the held dataset by a new, empty one.
  void SetObjClass(const std::string& className);
  TPDDataSet* DataSet() const { return dataSet_.get(); }

 private:
  std::unique_ptr<TPDDataSet> dataSet_;
};

class TPDDataSource {
 public:
  std::string Name;
  int32_t Tag = 0;
  TDataSetLinks Links;
  std::vector<std::unique_ptr<TPDCont>> DataSets;
  int32_t StreamVersion = 1;

  bool Loaded() const { return loaded_; }
  // Replaces the datasets by those of the stream (resource header included).
  void LoadFromStream(TPDReadStream& stream, int32_t version);
  // Fills the reference names of every dataset; then the data can be read.
  void Open();
  // The per-document sequence over the caller's buffer: Clear, load with
  // version 1, Open. A negative length fails with "Assertion failure".
  void LoadDocument(const void* data, int32_t length);
  void Clear();

  // By table name or caption, ignoring case. An unknown name raises
  // Translate("Unknown dataset \"%s\"") when it must exist, else gives nullptr.
  TPDDataSet* GetDataSet(const std::string& name, bool mustExist = true) const;

 private:
  bool loaded_ = false;
};
