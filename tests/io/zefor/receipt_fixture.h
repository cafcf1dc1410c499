// Receipts through the real adapter library on the strict emulator: order
// descriptions become the POS's datasets stream, FiscDocument prints them,
// and the documents the emulator accepted are read back.
#pragma once
#include <cstring>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "io/printer/fiscreg/fisc_doc_info.h"
#include "orderparser.h"
#include "orderstream.h"
#include "zefor_fixture.h"

inline std::string SourceFile(const std::string& path) {
  std::string text;
  platform::ReadWholeFile(std::string(ZEF_SOURCE_DIR) + "/" + path, text);
  return text;
}

inline std::string TrimEnd(std::string text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  return text;
}

inline size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

class ReceiptTest : public ZeforTest {
 protected:
  // A register on the emulator with the POS objects of the demo orders
  // (or those given).
  void Start(const std::string& emulator, const std::string& params = "",
             const std::string& posObjects = SourceFile("tools/possim/demo/receipts.cfg")) {
    platform::RemoveFile(dir_ + "emu1.docs");
    WriteEmulator("documents = emu1.docs\ntaxes = 1:2000 2:1000 3:0\n" + emulator);
    WriteParams(Device(0, params) + posObjects);
    Load();
    handle_ = adapter_.InitDevice(0, 0);
    ASSERT_EQ(handle_, 1);
  }

  struct tAnswer {
    bool Result = false;
    TFiscDocInfo Doc{};
    std::string ErrorText;
    std::string ZReport;  // the Z-report text a shift close leaves in the record
  };

  // Prints an order description file of the source tree.
  tAnswer Print(const std::string& orderFile, uint8_t kind, int32_t flags = 0x2E) {
    return PrintDescription(SourceFile(orderFile), kind, flags);
  }
  tAnswer PrintDescription(const std::string& description, uint8_t kind, int32_t flags) {
    return SendDocument(kind, flags, orderwriter::WriteOrderStream(orderwriter::ParseOrderDescription(description)));
  }
  // One FiscDocument call with the given data block.
  tAnswer SendDocument(uint8_t kind, int32_t flags, const std::string& data, int32_t subType = 0,
                       const std::string& toPrint = std::string()) {
    TFiscDocInfo doc{};
    doc.Size = kFiscDocInfoSize;
    doc.Kind = kind;
    doc.SubType = subType;
    doc.Flags = flags;
    doc.Data = uint32_t(uintptr_t(data.data()));
    doc.DataSize = int32_t(data.size());
    doc.ToPrint = toPrint.empty() ? 0 : uint32_t(uintptr_t(toPrint.data()));
    doc.ToPrintSize = int32_t(toPrint.size());
    uint8_t record[kFiscDocInfoSize];
    std::memcpy(record, &doc, sizeof doc);
    tAnswer answer;
    answer.Result = adapter_.FiscDocument(handle_, record) != 0;
    std::memcpy(&answer.Doc, record, sizeof doc);
    answer.ErrorText.assign(reinterpret_cast<const char*>(answer.Doc.ErrorText + 1), answer.Doc.ErrorText[0]);
    if (const char* z = reinterpret_cast<const char*>(uintptr_t(answer.Doc.ZReportXml))) answer.ZReport = z;
    return answer;
  }

  // The documents the emulator accepted, as received.
  std::vector<std::string> Accepted() const {
    std::vector<std::string> docs;
    const std::string all = Read("emu1.docs");
    const std::string marker = "<!-- accepted as document ";
    for (size_t at = all.find(marker); at != std::string::npos; at = all.find(marker, at + 1)) {
      size_t start = all.find('\n', at) + 1;
      size_t end = all.find("<!-- ", start);
      docs.push_back(TrimEnd(all.substr(start, end == std::string::npos ? std::string::npos : end - start)));
    }
    return docs;
  }

  // The journal lines that contain `part`, whole, without their time
  // stamps (the stamp of the receipt's result line is masked too).
  std::vector<std::string> JournalLines(const std::string& part) const {
    static const std::regex stamp("\\[\\d\\d\\.\\d\\d\\.\\d\\d \\d\\d:\\d\\d:\\d\\d\\]");
    std::vector<std::string> lines;
    std::istringstream in(Journal());
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (Contains(line, part)) lines.push_back(std::regex_replace(line, stamp, "[dd.mm.yy hh:mm:ss]"));
    }
    return lines;
  }

  // Releases the adapter and removes the register's files, for the next
  // Start.
  void Restart() {
    if (loaded_) {
      adapter_.DONEDLL();
      adapter_.Unload();
      loaded_ = false;
    }
    for (const char* f : {"emu1.docs", "emu1.tape", "emu1.state", "calls.log", "zefor1.log"})
      platform::RemoveFile(dir_ + f);
  }

  int32_t handle_ = 0;
};
