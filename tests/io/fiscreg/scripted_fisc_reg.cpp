#include "scripted_fisc_reg.h"

#include <stdexcept>

#include "posdata/pdsource.h"
#include "xml/simplexml.h"

namespace {
std::map<uint8_t, tRegisterScript> g_scripts;
}

TDeviceClass tScriptedFiscReg::Class() { return DeviceClassOf<tScriptedFiscReg>("tScriptedFiscReg"); }

tRegisterScript& tScriptedFiscReg::Script(uint8_t number) { return g_scripts[number]; }
void tScriptedFiscReg::ResetScripts() { g_scripts.clear(); }

// As the universal register: no port, two-way, the log named by the
// parameters, and the initialisation at the end of construction.
void tScriptedFiscReg::ConstructRegister() {
  if (!Script().KeepPort) {
    PortHandle = 0;
    TwoWay = true;
  }
  Log.SetFileName(Script().LogFileName);
  SetWaitForFiscalRegister(Script().WaitForFiscalRegister);
  EnsureInitialized();
}

bool tScriptedFiscReg::PrepareToPrint() {
  Calls.push_back("PrepareToPrint");
  if (Script().PrepareFailures > 0) {
    --Script().PrepareFailures;
    return false;
  }
  return true;
}

bool tScriptedFiscReg::FiscGetExtID(std::string& identifier, bool& shiftOpened) {
  Calls.push_back("FiscGetExtID");
  if (Script().ExtIDFails) {
    LastRes = -1;
    LastExecErrorText = "no answer";
    return false;
  }
  identifier = Script().ExtID;
  shiftOpened = Script().ShiftOpened;
  return true;
}

bool tScriptedFiscReg::CheckFillState(const tFillRequest& request) {
  Calls.push_back("CheckFillState");
  FillRequests.push_back(request);
  const tRegisterScript& s = Script();
  if (request.DocNum) LastStateInfo.DocNum = s.DocNum;
  if (request.CheckNum) LastStateInfo.CheckNum = s.CheckNum;
  if (request.SaledValue) LastStateInfo.SaledValue = s.SaledValue;
  if (LastStateInfo.FiscShift == 0) LastStateInfo.FiscShift = s.FiscShift;
  LastStateInfo.ShiftOpened = s.ShiftOpened;
  LastStateInfo.OFDUnsentCount = s.OFDUnsentCount;
  LastStateInfo.OFDOldestUnsent = s.OFDOldestUnsent;
  return true;
}

bool tScriptedFiscReg::PrintFiscCheck(TFiscDocInfo& doc, bool reverse, const std::string& toPrint) {
  OrderState.TabooPayment = Script().TabooPayment;
  return Document("PrintFiscCheck " + std::to_string(doc.Kind) + (reverse ? " reverse" : " sale") + " [" +
                  toPrint + "]");
}

bool tScriptedFiscReg::PrintBill(TFiscDocInfo& doc, bool undo, const std::string& toPrint) {
  return Document(std::string("PrintBill") + (undo ? " undo" : "") + " [" + toPrint + "]");
}

bool tScriptedFiscReg::PrintCheckCopy(TFiscDocInfo& doc, const std::string& toPrint) {
  return Document("PrintCheckCopy " + std::to_string(doc.CheckNum) + " [" + toPrint + "]");
}

bool tScriptedFiscReg::CloseDay(bool printDish0Price) {
  Calls.push_back(std::string("CloseDay ") + (printDish0Price ? "true" : "false"));
  if (!Script().CloseDayResult) return Fail();
  Script().FiscShift++;
  return true;
}

bool tScriptedFiscReg::PrintAnyReport(int32_t subType, const std::string& data) {
  return Document("PrintAnyReport " + std::to_string(subType) + " [" + data + "]");
}

bool tScriptedFiscReg::GetZReportData(IXmlDocument& document) {
  Calls.push_back("GetZReportData");
  if (Script().ZReportThrows) throw std::runtime_error("Z-report data unreadable");
  document = Script().ZReportXml.empty() ? IXmlDocument() : ParseXmlDocument(Script().ZReportXml);
  return bool(document);
}

std::string tScriptedFiscReg::DataSetCount() {
  return std::to_string(HasPosData() ? PosData().DataSets.size() : 0);
}

bool tScriptedFiscReg::Document(const std::string& call) {
  Calls.push_back(call + " datasets=" + DataSetCount());
  if (Script().DocumentThrows) throw std::runtime_error("scripted failure in " + call);
  if (!Script().DocumentResult) return Fail();
  Script().DocNum++;
  Script().CheckNum++;
  return true;
}

bool tScriptedFiscReg::Fail() {
  LastRes = Script().FailLastRes;
  LastExecErrorCode = Script().FailExecCode;
  LastExecErrorText = Script().FailText;
  LastError0Text = Script().FailText;
  return false;
}
