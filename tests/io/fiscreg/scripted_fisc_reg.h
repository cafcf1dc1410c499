// A fiscal register for the tests: it answers the operations that the
// universal register answers in the product from a scripted device state,
// and records every call it gets.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "io/printer/fiscreg/common_fisc_reg.h"

// The "hardware" behind one device number and what the test wants it to do.
struct tRegisterScript {
  std::string LogFileName;
  bool WaitForFiscalRegister = false;
  int PrepareFailures = 0;        // PrepareToPrint fails this many times first
  int32_t DataLogFlags = 1;
  bool KeepPort = false;          // keep the port device's own port setup

  // The register's own counters and identity.
  std::string ExtID = "FR-0001";
  bool ShiftOpened = true;
  int32_t FiscShift = 12;
  int32_t DocNum = 100;
  int32_t CheckNum = 50;
  int64_t SaledValue = 123456;
  int32_t OFDUnsentCount = 3;
  int32_t OFDOldestUnsent = 77;
  bool ExtIDFails = false;

  // How the next documents end.
  bool DocumentResult = true;
  bool DocumentThrows = false;
  int32_t FailLastRes = 0;
  int32_t FailExecCode = 0;
  std::string FailText;
  bool CloseDayResult = true;
  bool ZReportThrows = false;
  std::string ZReportXml;
  bool TabooPayment = false;
};

class tScriptedFiscReg : public tCommonFiscReg {
 public:
  static constexpr uint16_t kVersion = 17;
  static constexpr uint32_t kOptions = 0x55;

  using tCommonFiscReg::tCommonFiscReg;

  static std::string DriverName() { return "Scripted fiscal register"; }
  static uint16_t DriverVersion() { return kVersion; }
  static TDeviceClass Class();
  // Lets a test take the register back to before its initialisation.
  void ForgetInitialization() { MarkUninitialized(); }

  // The script of a device number (kept between devices of that number).
  static tRegisterScript& Script(uint8_t number);
  static void ResetScripts();

  std::string DeviceDriverName() const override { return DriverName(); }
  uint16_t DeviceDriverVersion() const override { return kVersion; }

  void ConstructRegister() override;
  bool PrepareToPrint() override;
  bool FiscGetExtID(std::string& identifier, bool& shiftOpened) override;
  bool CheckFillState(const tFillRequest& request) override;
  uint32_t GetFiscRegOptions() override { return kOptions; }
  int32_t DataLogFlags() override { return Script().DataLogFlags; }
  void CommandSent() override { ++CommandsSent; }

  bool MoneyInOut(TFiscDocInfo& doc) override { return Document("MoneyInOut"); }
  bool CollectAllCash(TFiscDocInfo& doc) override { return Document("CollectAllCash"); }
  bool PrintFiscCheck(TFiscDocInfo& doc, bool reverse, const std::string& toPrint) override;
  bool PrintBill(TFiscDocInfo& doc, bool undo, const std::string& toPrint) override;
  bool PrintOrder(TFiscDocInfo& doc) override { return Document("PrintOrder"); }
  bool PrintCheckCopy(TFiscDocInfo& doc, const std::string& toPrint) override;
  bool CloseDay(bool printDish0Price) override;
  bool PrintAnyReport(int32_t subType, const std::string& data) override;
  bool PrintXReport() override { return Document("PrintXReport"); }
  bool PrintFullLastShift() override { return Document("PrintFullLastShift"); }
  bool GetZReportData(IXmlDocument& document) override;

  tRegisterScript& Script() { return Script(Number); }

  // Each call as "<operation> <details>", with the number of datasets the
  // register held at that moment.
  std::vector<std::string> Calls;
  std::vector<tFillRequest> FillRequests;
  int CommandsSent = 0;

 private:
  bool Document(const std::string& call);
  bool Fail();
  std::string DataSetCount();
};
