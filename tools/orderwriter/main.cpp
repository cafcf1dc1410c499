// orderwriter: builds a datasets stream from an order description, or shows
// what the adapter's reader makes of a stream.
#include <cstdio>
#include <exception>
#include <string>

#include "orderparser.h"
#include "orderstream.h"
#include "platform/platform.h"
#include "posdata/pdsource.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: orderwriter INPUT.order OUTPUT.bin   write the stream of a description\n"
               "       orderwriter --dump STREAM.bin        list the datasets of a stream\n");
  return 2;
}

int Write(const std::string& input, const std::string& output) {
  std::string text;
  if (!platform::ReadWholeFile(input, text)) {
    std::fprintf(stderr, "cannot read %s\n", input.c_str());
    return 1;
  }
  const std::string stream = orderwriter::WriteOrderStream(orderwriter::ParseOrderDescription(text));
  if (!platform::WriteWholeFile(output, stream)) {
    std::fprintf(stderr, "cannot write %s\n", output.c_str());
    return 1;
  }
  return 0;
}

void DumpDataSet(const TPDDataSet& d) {
  std::printf("dataset %s: %d records\n", d.Name().c_str(), d.RecCount());
  for (const TPDFieldDef& f : d.FieldDefs)
    std::printf("  column %s %s%s\n", f.FieldName().c_str(), VarTypeName(f.VarType).c_str(),
                f.IsReference() ? (" ref=" + std::to_string(f.RefColNum)).c_str() : "");
  for (int32_t r = 0; r < d.RecCount(); ++r) {
    std::printf("  row");
    for (size_t c = 0; c < d.FieldDefs.size(); ++c)
      std::printf(" [%s]", d.GetValue(r, int32_t(c)).AsString().c_str());
    std::printf("\n");
  }
}

int Dump(const std::string& input) {
  std::string bytes;
  if (!platform::ReadWholeFile(input, bytes)) {
    std::fprintf(stderr, "cannot read %s\n", input.c_str());
    return 1;
  }
  TPDDataSource source;
  TPDReadStream stream(bytes.data(), bytes.size());
  source.LoadFromStream(stream, 1);
  source.Open();
  std::printf("source %s, stream version %d\n", source.Name.c_str(), source.StreamVersion);
  for (const auto& item : source.DataSets) DumpDataSet(*item->DataSet());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 3 && std::string(argv[1]) == "--dump") return Dump(argv[2]);
    if (argc == 3) return Write(argv[1], argv[2]);
    return Usage();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orderwriter: %s\n", e.what());
    return 1;
  }
}
