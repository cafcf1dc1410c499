#include "fiscreg_fixture.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "entry/device_table.h"
#include "entry/exports.h"
#include "io/printer/fiscreg/fisc_document.h"
#include "nolvex32/nolvex32.h"
#include "orderparser.h"
#include "orderstream.h"
#include "platform/platform.h"
#include "standart/errors.h"
#include "standart/host_params.h"
#include "support/test_files.h"

extern "C" void ZEF_STDCALL ParamsLoadConfig(const char* path);

void FiscRegTest::SetUp() {
  dir_ = test_files::UniqueTempDir("fiscreg_test_");
  char cwd[4096] = {};
  previousDir_ = getcwd(cwd, sizeof cwd) ? cwd : "/";
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  errorLog_ = dir_ + "errors.log";
  NolvexSetLogPath(errorLog_.c_str());
  ExceptErrorCodes({tCommonFiscReg::kErrRaised, tCommonFiscReg::kErrDeviceRaised});
  HostParams::Reset();
  Params("");
  tScriptedFiscReg::ResetScripts();
  DeviceTable::SetDeviceClass(tScriptedFiscReg::Class());
  LogLevel = 0;
  tCommonFiscReg::AskOffline = true;
  SetNameLookupMode(0);
}

void FiscRegTest::TearDown() {
  DONEDLL();
  HostParams::Reset();
  LogLevel = 0;
  if (chdir(previousDir_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << previousDir_;
  test_files::RemoveTree(dir_);
}

void FiscRegTest::Params(const std::string& sections) {
  std::string path = dir_ + "params.cfg";
  platform::WriteWholeFile(path, "[service]\nlog = requests.log\n" + sections + "\n");
  ParamsLoadConfig(path.c_str());
}

int32_t FiscRegTest::NewDevice(uint8_t number) {
  tScriptedFiscReg::Script(number).LogFileName = DeviceLogPath(number);
  return InitDevice(number, 0);
}

tScriptedFiscReg& FiscRegTest::Reg(int32_t handle) {
  auto* reg = dynamic_cast<tScriptedFiscReg*>(DeviceTable::Device(handle));
  if (!reg) throw std::runtime_error("no scripted register at handle " + std::to_string(handle));
  return *reg;
}

std::string FiscRegTest::DeviceLogPath(uint8_t number) const {
  return dir_ + "dev" + std::to_string(number + 1) + ".log";
}

std::string FiscRegTest::DeviceLog(int32_t handle) {
  Reg(handle).FlushLog();
  return Read(DeviceLogPath(Reg(handle).Number));
}

std::string FiscRegTest::Read(const std::string& path) const {
  std::string text;
  platform::ReadWholeFile(path, text);
  return text;
}

std::string FiscRegTest::StreamOf(const std::string& orderDescription) {
  return orderwriter::WriteOrderStream(orderwriter::ParseOrderDescription(orderDescription));
}

std::string FiscRegTest::SampleStream(const std::string& sampleName) {
  std::string text;
  if (!platform::ReadWholeFile(std::string(ZEF_ORDER_SAMPLES) + "/" + sampleName, text))
    throw std::runtime_error("missing sample " + sampleName);
  return StreamOf(text);
}

DocRecord::DocRecord(uint8_t kind, int32_t size, uint8_t fill)
    : bytes(size_t(std::max<int32_t>(size, kFiscDocInfoSize)) + 64, fill) {
  std::memset(bytes.data(), 0, std::min(bytes.size(), size_t(std::max<int32_t>(size, 0))));
  std::memcpy(bytes.data(), &size, 4);
  bytes[offsetof(TFiscDocInfo, Kind)] = kind;
}

DocRecord& DocRecord::WithData(const std::string& stream) {
  data = stream;
  Info().Data = uint32_t(uintptr_t(data.data()));
  Info().DataSize = int32_t(data.size());
  return *this;
}

DocRecord& DocRecord::WithToPrint(const std::string& text) {
  toPrint = text;
  Info().ToPrint = uint32_t(uintptr_t(toPrint.data()));
  Info().ToPrintSize = int32_t(toPrint.size());
  return *this;
}

uint8_t DocRecord::Call(int32_t handle) { return FiscDocument(handle, bytes.data()); }

std::string DocRecord::ShortString(size_t offset) const {
  return std::string(reinterpret_cast<const char*>(bytes.data() + offset + 1), bytes[offset]);
}
