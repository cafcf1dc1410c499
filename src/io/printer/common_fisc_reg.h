// The base class of fiscal register devices: the operations through which
// the exports and the fiscal document call reach a register.
#pragma once
#include <cstdint>
#include <string>

#include "io/printer/device.h"

class tCommonFiscReg : public TDevice {
 public:
  explicit tCommonFiscReg(uint8_t number) : TDevice(number) {}

  // The one-time initialisation check: false when the register cannot work.
  virtual bool EnsureInitialized() { return true; }

  // Extended print of an XML document (ExtPrintData).
  virtual bool ExtendedPrint(const std::string& xml) { return false; }
  // External identifier and shift state of the register.
  virtual bool FiscGetExtID(std::string& identifier, bool& shiftOpened) {
    identifier.clear();
    shiftOpened = false;
    return true;
  }
  // The whole fiscal document call on the POS's record (a local copy of at
  // least the full layout, zero-filled beyond what the POS passed).
  virtual bool FiscDocument(uint8_t* record) { return false; }
  virtual void PrintersStarted() {}
  virtual void ProgramPrinter(const void* data) {}
  virtual uint32_t GetFiscRegOptions() { return 0; }
  // Z-report data of the last shift close as XML text; false = none.
  virtual bool GetZReportData(std::string& documentText) { return false; }
  virtual void CustDispOut(const uint8_t* data, int32_t count) {}

  // Log line on the device log ("GetZReportData exception").
  virtual void LogDeviceLine(const std::string& line) {}

  // Identifier and shift byte of the last successful FiscGetExtID.
  std::string StoredExtID;
  uint8_t StoredShiftOpened = 0;
};
