#include "posdata/pdsource.h"

#include "posdata/compreader.h"
#include "posdata/pderrors.h"
#include "posdata/pdhooks.h"
#include "posdata/pdloader.h"
#include "posdata/pdtext.h"
#include "standart/format.h"

std::string TPDCont::ObjClass() const { return dataSet_ ? "TPDDataSet" : std::string(); }

void TPDCont::SetObjClass(const std::string&) { dataSet_ = std::make_unique<TPDDataSet>(); }

void TPDDataSource::LoadFromStream(TPDReadStream& stream, int32_t version) {
  StreamVersion = version;
  DataSets.clear();
  loaded_ = false;
  TPDComponentReader reader(stream);
  reader.SkipResourceHeader();
  reader.ReadSignature();
  TPDStreamLoader loader(reader, stream.Size());
  loader.LoadRoot(*this);
  for (size_t i = 0; i < DataSets.size(); ++i) {
    TPDDataSet* dataSet = DataSets[i]->DataSet();
    if (dataSet == nullptr) throw EPDError("Error loading datasets: no dataset " + std::to_string(i));
    dataSet->TableName = dataSet->Name();
    dataSet->Settle(loader.CellBudget());
  }
}

void TPDDataSource::LoadDocument(const void* data, int32_t length) {
  Clear();
  if (length < 0 || (data == nullptr && length > 0)) throw EPDError("Assertion failure");
  TPDReadStream stream(data, size_t(length));
  LoadFromStream(stream, 1);
  Open();
}

void TPDDataSource::Open() {
  if (loaded_) return;
  for (const auto& item : DataSets)
    if (item->DataSet() != nullptr) item->DataSet()->PrepareAliases();
  loaded_ = true;
}

void TPDDataSource::Clear() {
  if (!loaded_) return;
  loaded_ = false;
  DataSets.clear();
}

TPDDataSet* TPDDataSource::GetDataSet(const std::string& name, bool mustExist) const {
  for (const auto& item : DataSets) {
    TPDDataSet* dataSet = item->DataSet();
    if (dataSet != nullptr &&
        (SameTextLocale(dataSet->TableName, name) || SameTextLocale(dataSet->Caption, name)))
      return dataSet;
  }
  if (mustExist) throw EPDError(Fmt(Translate("Unknown dataset \"%s\""), name));
  return nullptr;
}
