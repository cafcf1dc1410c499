// Test environment of the fiscal register core: a fresh working directory
// (the saved input files land there), the parameter service stand-in with a
// configuration per test, the scripted register as the device class of the
// real exports, and builders of fiscal document records.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/printer/fiscreg/fisc_doc_info.h"
#include "scripted_fisc_reg.h"

class FiscRegTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Loads a parameter service configuration; every operator request is
  // appended to RequestLog().
  void Params(const std::string& sections);
  std::string RequestLog() const { return Read(dir_ + "requests.log"); }

  // A device of the scripted class through InitDevice; its log is
  // dev<number + 1>.log in the test directory.
  int32_t NewDevice(uint8_t number = 0);
  tScriptedFiscReg& Reg(int32_t handle);
  std::string DeviceLogPath(uint8_t number = 0) const;
  std::string DeviceLog(int32_t handle);  // flushed first

  std::string Read(const std::string& path) const;
  std::string ErrorLog() const { return Read(errorLog_); }
  size_t ErrorLogMark() const { return ErrorLog().size(); }
  std::string ErrorLogSince(size_t mark) const { return ErrorLog().substr(mark); }

  // Datasets streams.
  static std::string StreamOf(const std::string& orderDescription);
  static std::string SampleStream(const std::string& sampleName);
  static std::string SaleStream() { return SampleStream("simple_sale.order"); }

  std::string dir_;
  std::string errorLog_;
  std::string previousDir_;
};

// A fiscal document record over the test's own buffers.
struct DocRecord {
  explicit DocRecord(uint8_t kind, int32_t size = kFiscDocInfoSize, uint8_t fill = 0);
  TFiscDocInfo& Info() { return *reinterpret_cast<TFiscDocInfo*>(bytes.data()); }
  DocRecord& WithData(const std::string& stream);
  DocRecord& WithToPrint(const std::string& text);
  uint8_t Call(int32_t handle);  // the FiscDocument export
  std::string ErrorText() { return ShortString(offsetof(TFiscDocInfo, ErrorText)); }
  std::string PrinterID() { return ShortString(offsetof(TFiscDocInfo, PrinterID)); }
  std::string ShortString(size_t offset) const;

  std::vector<uint8_t> bytes;
  std::string data;
  std::string toPrint;
};
