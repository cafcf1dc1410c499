// Reads the properties of the component stream into a data source.
#pragma once
#include <cstddef>
#include <string>

#include "posdata/compreader.h"

class TPDDataSource;
class TPDCont;
class TPDDataSet;
class TPDFieldDef;
struct TDataSetLink;

class TPDStreamLoader {
 public:
  // Every record cell stands for at least one byte of the stream: a load
  // may build no more cells than it has bytes. Columns, links and tables
  // are paid for out of the same budget, at the cells their storage takes,
  // so that no stream makes the loader take much more memory than a stream
  // of records that size; a claim beyond it is "Stream read error".
  TPDStreamLoader(TPDComponentReader& reader, size_t streamSize)
      : r_(reader), cellBudget_(streamSize) {}
  // The root component: header, properties, and (skipped) children.
  void LoadRoot(TPDDataSource& source);
  // What is left of the cell budget, for the storage settled after the load.
  size_t& CellBudget() { return cellBudget_; }

 private:
  // Reads a property list; an error in one value (other than a read error)
  // is dropped and reading goes on with the next property.
  template <class Handler>
  void ReadProperties(Handler&& readProperty);
  // Reads a collection value into `items` (emptied first), paying for every
  // item before it is stored; itemProperty(item, name) reads one property.
  template <class Items, class ItemProperty>
  void ReadCollection(Items& items, size_t itemCells, ItemProperty&& itemProperty);
  void Pay(uint64_t cells);

  void SourceProperty(TPDDataSource& source, const std::string& name);
  void LinkProperty(TDataSetLink& link, const std::string& name);
  void ContProperty(TPDCont& cont, const std::string& name);
  void DataSetProperty(TPDDataSet& dataSet, const std::string& name);
  void FieldDefProperty(TPDFieldDef& def, const std::string& name);
  void ReadRecordCount(TPDDataSet& dataSet);
  void ReadData(TPDDataSet& dataSet);

  TPDComponentReader& r_;
  size_t cellBudget_;
};
