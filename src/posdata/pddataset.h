// One table of the POS order data: column definitions, records of typed
// cells, reference names and a cursor.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "posdata/pdfielddef.h"
#include "posdata/pdstream.h"
#include "posdata/vartype.h"

class TPDDataSet {
 public:
  std::string Caption;
  std::string TableName;  // the lookup name; equals Name after loading
  int32_t RefColNum = 0;
  int32_t AliasInfo = 0;
  bool OneRowDataset = false;
  int32_t StreamVersion = 0;  // 2: the Data payload carries reference names
  TPDFieldDefs FieldDefs;

  const std::string& Name() const { return name_; }
  // Also sets Caption when it is empty.
  void SetName(const std::string& name);

  int32_t RawRecCount() const { return rawRecCount_; }
  // Sizes the record storage; cells still empty take their column's type.
  void SetRawRecCount(int32_t n);
  // Decodes a Data payload; the whole stream is the payload.
  void ReadData(TPDReadStream& payload);
  bool AliasesReady() const { return aliasesReady_; }
  // Fills the reference names (unless the stream carried them) and rewinds.
  void PrepareAliases();

  int32_t RecCount() const { return recCount_; }
  int32_t Cursor() const { return cursor_; }
  void First() { cursor_ = 0; }
  bool Eof() const { return cursor_ >= recCount_ - 1; }
  // True, and no move, when already on the last record.
  bool Next();
  // Where First and `record` calls of Next leave the cursor, in one step.
  void MoveTo(int32_t record) {
    const int32_t last = recCount_ > 0 ? recCount_ - 1 : 0;
    cursor_ = record <= 0 ? 0 : record < last ? record : last;
  }

  int32_t FieldIndex(const std::string& name) const;
  VarType GetValue(int32_t row, int32_t column) const;
  // GetValue(row, column).AsString() without the copy of the cell.
  std::string GetText(int32_t row, int32_t column) const;
  // The stored cell of the current record, in place (the null value for a
  // column or record out of range): the preparation reads every cell of
  // every record, and a copy would cost more than the read.
  const VarType& GetRawValue(int32_t column) const {
    if (column < 0 || column >= cols_ || recCount_ == 0 || cursor_ >= rawRecCount_) return NullCell();
    return records_[size_t(cursor_) * size_t(cols_) + size_t(column)];
  }
  VarType GetRawValueByName(const std::string& name) const;
  std::string GetFieldText(const std::string& name) const;
  std::string GetRefProperty(const std::string& path) const;

  // Brings the storage in line with FieldDefs after a load that set the
  // record count before the columns. The cells come out of cellBudget; a
  // claim beyond it cannot be true of the stream ("Stream read error").
  void Settle(size_t& cellBudget);

  // Stored cells and reference names by record number, for checks and tools.
  const VarType& Cell(int32_t record, int32_t column) const;
  const std::string& AliasString(int32_t record, int32_t aliasCol) const;
  int32_t ReferenceColumnCount() const { return refCols_; }

 private:
  static const VarType& NullCell();
  void Resize(int32_t n);
  bool StorageMatchesColumns() const;
  void NumberReferenceColumns();
  bool NamesThisTable(const std::string& name) const;
  std::string RefName(const TPDFieldDef& def, const VarType& cell) const;

  std::string name_;
  int32_t rawRecCount_ = 0;
  int32_t recCount_ = 0;
  int32_t cursor_ = 0;
  bool aliasesReady_ = false;
  // Row-major; the record order (RecIndex) is always the identity.
  std::vector<VarType> records_;
  int32_t cols_ = 0;
  std::vector<std::string> aliasStrings_;
  int32_t refCols_ = 0;
};
