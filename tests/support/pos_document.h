// The fiscal document record the POS hands to FiscDocument for one of its
// own documents: the kind, the sub-kind, flags 0x2E and the datasets stream
// (which must outlive the record).
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "io/printer/fiscreg/fisc_doc_info.h"

inline std::vector<uint8_t> PosDocumentRecord(uint8_t kind, const std::string& data, uint8_t subType = 0) {
  TFiscDocInfo doc{};
  doc.Size = kFiscDocInfoSize;
  doc.Kind = kind;
  doc.SubType = subType;
  doc.Flags = 0x2E;
  doc.Data = uint32_t(uintptr_t(data.data()));
  doc.DataSize = int32_t(data.size());
  std::vector<uint8_t> record(kFiscDocInfoSize);
  std::memcpy(record.data(), &doc, sizeof doc);
  return record;
}
