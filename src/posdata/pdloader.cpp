#include "posdata/pdloader.h"

#include <memory>
#include <vector>

#include "posdata/pderrors.h"
#include "posdata/pdsource.h"
#include "posdata/pdtext.h"

namespace {

const char* const kDataSetPrefix = "DataSet.";

bool Is(const std::string& name, const char* property) { return SameTextAscii(name, property); }

// The budget's measure of storage: the cells that many bytes would hold.
constexpr size_t CellsFor(size_t bytes) { return (bytes + sizeof(VarType) - 1) / sizeof(VarType); }

constexpr size_t kLinkCells = CellsFor(sizeof(TDataSetLink));
constexpr size_t kFieldDefCells = CellsFor(sizeof(TPDFieldDef));
constexpr size_t kContCells = CellsFor(sizeof(std::unique_ptr<TPDCont>) + sizeof(TPDCont));
constexpr size_t kDataSetCells = CellsFor(sizeof(TPDDataSet));

template <class T>
T& Append(std::vector<T>& items) {
  items.emplace_back();
  return items.back();
}

template <class T>
T& Append(std::vector<std::unique_ptr<T>>& items) {
  items.push_back(std::make_unique<T>());
  return *items.back();
}

}  // namespace

template <class Handler>
void TPDStreamLoader::ReadProperties(Handler&& readProperty) {
  std::string name;
  while (r_.NextPropertyName(name)) {
    try {
      readProperty(name);
    } catch (const EReadError&) {
      throw;
    } catch (const EPDError&) {
      // A value that does not fit its property is dropped.
    }
  }
}

void TPDStreamLoader::Pay(uint64_t cells) {
  if (cells > cellBudget_) ThrowReadError();
  cellBudget_ -= size_t(cells);
}

template <class Items, class ItemProperty>
void TPDStreamLoader::ReadCollection(Items& items, size_t itemCells, ItemProperty&& itemProperty) {
  items.clear();
  r_.BeginCollection();
  // Counted first, so that a claim beyond the budget fails before anything
  // is built and the storage is taken once, at its size.
  size_t paid = r_.CountItems();
  Pay(uint64_t(paid) * itemCells);
  items.reserve(paid);
  while (r_.NextItem()) {
    if (items.size() == paid) {  // past a fault the count stopped at
      Pay(itemCells);
      ++paid;
    }
    auto& item = Append(items);
    ReadProperties([&](const std::string& name) { itemProperty(item, name); });
  }
}

void TPDStreamLoader::LoadRoot(TPDDataSource& source) {
  std::string className;
  r_.ReadComponentHeader(className, source.Name);
  ReadProperties([&](const std::string& name) { SourceProperty(source, name); });
  while (!r_.EndOfList()) r_.SkipComponent();  // a data source owns no components
}

void TPDStreamLoader::SourceProperty(TPDDataSource& source, const std::string& name) {
  if (Is(name, "Name")) {
    source.Name = r_.ReadString();
  } else if (Is(name, "Tag")) {
    source.Tag = r_.ReadInteger();
  } else if (Is(name, "StreamVersion")) {
    source.StreamVersion = r_.ReadInteger();
  } else if (Is(name, "Links")) {
    ReadCollection(source.Links, kLinkCells,
                   [this](TDataSetLink& link, const std::string& itemName) { LinkProperty(link, itemName); });
  } else if (Is(name, "DataSets")) {
    ReadCollection(source.DataSets, kContCells,
                   [this](TPDCont& cont, const std::string& itemName) { ContProperty(cont, itemName); });
  } else {
    r_.SkipValue();
  }
}

void TPDStreamLoader::LinkProperty(TDataSetLink& link, const std::string& name) {
  if (Is(name, "MasterTable")) {
    link.MasterTable = r_.ReadString();
  } else if (Is(name, "ChildTable")) {
    link.ChildTable = r_.ReadString();
  } else if (Is(name, "MasterField")) {
    link.MasterField = r_.ReadString();
  } else if (Is(name, "ChildField")) {
    link.ChildField = r_.ReadString();
  } else {
    r_.SkipValue();
  }
}

void TPDStreamLoader::ContProperty(TPDCont& cont, const std::string& name) {
  const size_t prefix = std::char_traits<char>::length(kDataSetPrefix);
  if (Is(name, "ObjClass")) {
    const std::string className = r_.ReadString();
    Pay(kDataSetCells);
    cont.SetObjClass(className);
  } else if (name.size() > prefix && Is(name.substr(0, prefix), kDataSetPrefix) &&
             cont.DataSet() != nullptr) {
    DataSetProperty(*cont.DataSet(), name.substr(prefix));
  } else {
    r_.SkipValue();  // also the dataset's properties before it exists
  }
}

void TPDStreamLoader::DataSetProperty(TPDDataSet& dataSet, const std::string& name) {
  if (Is(name, "Name")) {
    dataSet.SetName(r_.ReadString());
  } else if (Is(name, "Caption")) {
    dataSet.Caption = r_.ReadString();
  } else if (Is(name, "RefColNum")) {
    dataSet.RefColNum = r_.ReadInteger();
  } else if (Is(name, "AliasInfo")) {
    dataSet.AliasInfo = r_.ReadInteger();
  } else if (Is(name, "StreamVersion")) {
    dataSet.StreamVersion = r_.ReadInteger();
  } else if (Is(name, "OneRowDataset")) {
    dataSet.OneRowDataset = r_.ReadBoolean();
  } else if (Is(name, "RawRecCount")) {
    ReadRecordCount(dataSet);
  } else if (Is(name, "Data")) {
    ReadData(dataSet);
  } else if (Is(name, "FieldDefs")) {
    ReadCollection(dataSet.FieldDefs, kFieldDefCells,
                   [this](TPDFieldDef& def, const std::string& itemName) { FieldDefProperty(def, itemName); });
  } else {
    r_.SkipValue();
  }
}

void TPDStreamLoader::FieldDefProperty(TPDFieldDef& def, const std::string& name) {
  if (Is(name, "FieldName")) {
    def.SetFieldName(r_.ReadString());
  } else if (Is(name, "VarType")) {
    TVarType type;
    if (!VarTypeFromName(r_.ReadIdent(), type)) ThrowPropertyError();
    def.VarType = type;
  } else if (Is(name, "Caption")) {
    def.Caption = r_.ReadString();
  } else if (Is(name, "RefColNum")) {
    def.RefColNum = r_.ReadInteger();
  } else if (Is(name, "LinkTable")) {
    def.LinkTable = r_.ReadInteger();
  } else if (Is(name, "Visible")) {
    def.Visible = r_.ReadBoolean();
  } else if (Is(name, "AliasInfo")) {
    def.AliasInfo = r_.ReadString();
  } else if (Is(name, "Desc")) {
    def.Desc = r_.ReadString();
  } else if (Is(name, "UserName")) {
    def.SetUserName(r_.ReadString());
  } else if (Is(name, "Expression")) {
    def.Expression = r_.ReadString();
  } else {
    r_.SkipValue();
  }
}

void TPDStreamLoader::ReadRecordCount(TPDDataSet& dataSet) {
  const int32_t n = r_.ReadInteger();
  if (n < 0) throw ERangeError();
  Pay(uint64_t(n) * dataSet.FieldDefs.size());
  dataSet.SetRawRecCount(n);
}

void TPDStreamLoader::ReadData(TPDDataSet& dataSet) {
  const TPDBinary data = r_.ReadBinary();
  TPDReadStream payload(data.Data, data.Size);
  try {
    dataSet.ReadData(payload);
  } catch (const EReadError&) {
    throw;
  } catch (const EPDError& e) {
    throw EReadError(e.message());  // errors in the records end the load
  }
}
