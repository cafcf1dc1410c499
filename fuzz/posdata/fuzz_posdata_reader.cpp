// Fuzz target of the datasets stream reader: any buffer either loads or
// fails with an exception of the POS data module.
#include <cstddef>
#include <cstdint>
#include <string>

#include "posdata/pderrors.h"
#include "posdata/pdhooks.h"
#include "posdata/pdsource.h"

namespace {

void FuzzRefName(int32_t id, int32_t kind, std::string& text) { text += "#" + std::to_string(id ^ kind); }

std::string FuzzRefProp(int32_t kind, int32_t id, const std::string& path) { return path; }

void ReadEverything(const TPDDataSource& source) {
  for (const auto& item : source.DataSets) {
    TPDDataSet* d = item->DataSet();
    for (int32_t r = 0; r < d->RecCount() && r < 256; ++r)
      for (int32_t c = -2; c <= int32_t(d->FieldDefs.size()); ++c) d->GetValue(r, c).AsString();
    if (d->RecCount() == 0) continue;
    d->First();
    for (int steps = 0; steps < 256; ++steps) {
      for (const TPDFieldDef& f : d->FieldDefs) {
        d->GetFieldText(f.FieldName() + ".Name");
        const VarType v = d->GetRawValueByName(f.FieldName());
        v.AsBoolean();
        AsHundredths(v);
      }
      if (d->Next()) break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Every other input runs with the reference hooks set.
  TPDHooks hooks;
  if (size > 0 && (data[size - 1] & 1)) {
    hooks.RefName = FuzzRefName;
    hooks.RefProp = FuzzRefProp;
  }
  SetPDHooks(hooks);
  TPDDataSource source;
  TPDReadStream stream(data, size);
  try {
    source.LoadFromStream(stream, 1);
    source.Open();
    ReadEverything(source);
  } catch (const EPDError&) {
    // Bad streams and unconvertible cells end here.
  }
  return 0;
}
