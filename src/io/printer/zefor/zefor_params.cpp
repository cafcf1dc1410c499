// The device parameters of the universal register, one entry per index:
// what the device reads at creation, and what the integrators' guide
// prints as its parameter table.
#include "io/printer/zefor/zefor.h"

#include <string>

namespace {

using P = tZeforParams;
using tInfo = tZeforParamInfo;

tInfo Make(int32_t index, tInfo::tKind kind, const char* name, const char* meaning) {
  tInfo info;
  info.Index = index;
  info.Kind = kind;
  info.Name = name;
  info.Meaning = meaning;
  return info;
}

tInfo Text(int32_t index, const char* name, std::string P::*field, const char* meaning) {
  tInfo info = Make(index, tInfo::kText, name, meaning);
  info.Text = field;
  return info;
}

tInfo Blob(int32_t index, const char* name, std::string P::*field, const char* meaning) {
  tInfo info = Text(index, name, field, meaning);
  info.Kind = tInfo::kBlob;
  return info;
}

tInfo Integer(int32_t index, const char* name, int32_t P::*field, const char* meaning) {
  tInfo info = Make(index, tInfo::kInteger, name, meaning);
  info.Integer = field;
  return info;
}

tInfo Switch(int32_t index, const char* name, bool P::*field, const char* meaning) {
  tInfo info = Make(index, tInfo::kSwitch, name, meaning);
  info.Switch = field;
  return info;
}

tInfo Byte(int32_t index, const char* name, uint8_t P::*field, const char* meaning) {
  tInfo info = Make(index, tInfo::kByte, name, meaning);
  info.Byte = field;
  return info;
}

// A setting of the order state.
tInfo Mode(int32_t index, const char* name, int32_t tOrderPreparationState::*field, const char* meaning) {
  tInfo info = Make(index, tInfo::kByte, name, meaning);
  info.Mode = field;
  return info;
}

tInfo OrderText(int32_t index, const char* name, std::string tOrderPreparationState::*field, const char* meaning) {
  tInfo info = Make(index, tInfo::kText, name, meaning);
  info.OrderText = field;
  return info;
}

tInfo WithDefault(tInfo info, const char* note) {
  info.DefaultNote = note;
  return info;
}

tInfo OwnStep(tInfo info) {
  info.OwnStep = true;
  return info;
}

std::vector<tInfo> BuildList() {
  return {
      Text(0, "LowDriverModule", &P::LowDriverModule,
           "File name of the register's low-level driver library, loaded from the adapter's folder."),
      WithDefault(Blob(1, "LowDriverParams", &P::LowDriverParams,
                       "The driver's own settings: an XML document handed to the driver as it stands (its "
                       "content is the driver maker's). With type 183 (parameter 2) the adapter reads the "
                       "register type from it."),
                  "none: the device is not created (error 3608)"),
      WithDefault(Integer(2, "FiscRegTypeID", &P::FiscRegTypeNum,
                          "The fiscal register type of the POS configuration; it chooses the pay and tax "
                          "index ranges. 183: the type is the attribute FiscRegTypeID of "
                          "xmlConfig/Parameters in parameter 1."),
                  "none: the device is not created (error 3610)"),
      OwnStep(Integer(3, "PayTaxTypeSet", &P::PayTaxTypeSet,
                      "Which POS properties give the fiscal pay and tax types: 0, 1, 2 the sets "
                      "FiscRegPayType1 to 3 and FiscRegTaxType1 to 3; 3 or more the register type's own "
                      "FiscDevParams (POS 7.0.30 and later), else set 1.")),
      WithDefault(OwnStep(Text(4, "LogFileName", &P::LogFileName,
                               "File name of the device journal, with one %d for the device number + 1. A "
                               "name without a folder is put in the adapter's folder; empty: no journal.")),
                  "the adapter's name, device number + 1, \".log\": zefor1.log for the first device"),
      Integer(5, "LogLevel", &P::LogLevel,
              "Journal level: 0 errors only, 1 everything but non-fiscal printouts and the customer "
              "display, 2 everything."),
      Switch(6, "WaitForFiscalRegister", &P::WaitForFiscalRegister,
             "On: the POS waits at start until the register answers (Retry or Abort). Off: the cashier "
             "may go on without the register."),
      Integer(7, "PrintCheckTrys", &P::PrintCheckTrys,
              "How many times a receipt is sent before the POS is told that it failed; 0 or less: "
              "receipts are not sent."),
      Switch(8, "ShiftAgeCheck", &P::ShiftAgeCheck,
             "On: when the POS reads the counters and the shift is over 24 hours, the cashier is asked "
             "to close it (Z-report) first."),
      Switch(9, "ProgramDateTime", &P::ProgramSwitch9,
             "Programming the register sets its clock from the computer's clock (see parameter 38)."),
      Switch(10, "ProgramTaxes", &P::ProgramTaxes, "Programming the register sends the POS's tax rates."),
      Switch(11, "ProgramDepartments", &P::ProgramDepartments,
             "Programming the register sends the POS's departments."),
      Integer(12, "InitialTapes", &P::InitialTapes,
              "Tapes of non-fiscal printouts until the printout chooses: 0, 1, 2 give tapes 1, 2, 3 in "
              "the printout markup; other values count as 0."),
      Byte(13, "BarcodeType", &P::BarcodeType,
           "Barcode type of non-fiscal printouts when the printout does not say (0: EAN-13)."),
      Integer(14, "BarcodeWidth", &P::BarcodeWidth, "Barcode width of non-fiscal printouts."),
      Integer(15, "BarcodeHeight", &P::BarcodeHeight, "Barcode height of non-fiscal printouts."),
      Byte(16, "BarcodeTextPosition", &P::BarcodeTextPosition,
           "Where the barcode's text is printed, 0 to 3; other values count as 0."),
      Text(17, "RoundingCorrectionName", &P::RoundingCorrectionName,
           "Name of the receipt discount that takes the kopecks the items cannot; empty: no such "
           "correction."),
      Text(18, "SummaryLineName", &P::SummaryLineName,
           "Name of the single line of a receipt the POS prints as a summary."),
      Text(19, "DefaultDepartmentName", &P::DefaultDepartmentName,
           "Programming: the name of the default department."),
      Switch(20, "SaveXMLUnfiscal", &P::SaveXMLUnfiscal,
             "Keep the last non-fiscal printout in ZefUnfiscPrn.xml in the adapter's folder."),
      Switch(21, "SaveXMLFiscal", &P::SaveXMLFiscal,
             "Keep the last fiscal document in ZefFiscDoc.xml in the adapter's folder."),
      Switch(22, "SaveXMLProgram", &P::SaveXMLProgram,
             "Keep the last programming document in ZefProg.xml in the adapter's folder."),
      Switch(23, "SaveXMLDisplay", &P::SaveXMLDisplay,
             "Keep the last customer display text in ZefCustDisp.xml in the adapter's folder."),
      Integer(24, "Grouping Classification Code", &P::GroupingClassificationCode,
              "A POS classification whose groups the receipt lines are gathered by; 0: none."),
      Text(25, "MarkupName", &P::MarkupName,
           "Name of the item line that carries markups when the register cannot print them on items."),
      Mode(26, "ComboMode", &tOrderPreparationState::ComboMode,
           "Combo dishes: 0 parts as they come, 1 parts indented under the combo, 2 parts with the "
           "combo's name before them, 3 parts folded into the combo line."),
      Mode(27, "ModifierMode", &tOrderPreparationState::ModifierMode,
           "Modifiers: 0 not on the receipt; 1 under their dish; 2 paid ones as items of their own, "
           "taken off the dish; 3 as text lines; 4 as 2, free ones as text; 5 as 4, sharing the "
           "payment discounts."),
      Mode(28, "DiscountMode", &tOrderPreparationState::DiscountMode,
           "Discounts over the lines: 0 not spread, 1 and 2 by tax class, 3 and 4 by dish; 1 and 3 "
           "compare the result with the POS's own."),
      Text(29, "StatusFileName", &P::StatusFileName,
           "Device-state file (a DeviceState XML document), rewritten at every status read and at "
           "least once a minute; a name without a folder is put in the adapter's folder; empty: none."),
      Text(30, "ItemCustomPropertyNames", &P::ItemCustomPropertyNames,
           "POS property names, separated by commas, copied into each item for the driver."),
      Integer(31, "DocumentPause", &P::DocumentPause, "Least pause between two documents, in seconds."),
      Text(32, "DiscountLineName", &P::DiscountLineName,
           "Name of the discount lines when discounts are spread by dish."),
      OrderText(33, "NameSuffix", &tOrderPreparationState::NameSuffix,
           "A POS property read first for the names on the receipt (the object, \".\", this suffix)."),
      Integer(34, "EndDateWarningDays", &P::EndDateWarningDays,
              "The cashier is warned when the register's fiscal memory ends within this many days."),
      Text(35, "SavingsLineTemplate", &P::SavingsLineTemplate,
           "A footer line with the receipt's total saving: its last characters are replaced by the "
           "amount; empty: no such line."),
      Integer(36, "BlockTimeDiffMax", &P::TimeCheckLimit1,
              "Clock check: a difference above this many seconds between the register's clock and the "
              "computer's blocks the register; 0: never blocks."),
      Integer(37, "WarnTimeDiffMax", &P::TimeCheckLimit2,
              "Clock check: a difference above this many seconds warns the cashier; 0: no warning."),
      Integer(38, "ProgramTimeDiffMax", &P::ClockProgrammingLimit,
              "Programming sets the clock only when it is off by no more than this many seconds; 0: "
              "always."),
      Integer(39, "PriceWithoutDiscountMode", &P::PriceWithoutDiscountMode,
              "0: discounts go to the driver as discount details; 1: every item gets a text line with "
              "its price before discounts; 2: only items whose price changed."),
      Integer(40, "TextLineWidth", &P::TextLineWidth,
              "Characters per line of the text lines the adapter lays out (prices before discounts)."),
      Integer(41, "FixedOperatorId", &P::FixedOperatorId,
              "Above 0: the operator of every document, in place of the POS user who makes it."),
      Switch(42, "RequireTaxRates", &P::RequireTaxRates,
             "On: the device does not start when the POS has no active tax rate (error 3625)."),
      Switch(43, "MarkCustomFlag", &P::MarkCustomFlag,
             "On: every receipt carries the custom property {2A8EF470-821B-43B6-B16E-2517DDD1F768} = 1 "
             "for the driver."),
  };
}

std::string Quoted(const std::string& text) { return text.empty() ? "empty" : "\"" + text + "\""; }

}  // namespace

const std::vector<tZeforParamInfo>& ZeforParamList() {
  static const std::vector<tZeforParamInfo> list = BuildList();
  return list;
}

const char* tZeforParamInfo::KindName(tKind kind) {
  switch (kind) {
    case kText: return "text";
    case kBlob: return "blob (XML)";
    case kInteger: return "integer";
    case kSwitch: return "switch";
    case kByte: return "byte";
  }
  return "?";
}

std::string tZeforParamInfo::DefaultText() const {
  if (DefaultNote) return DefaultNote;
  static const tZeforParams defaults;
  static const tOrderPreparationState orderDefaults;
  if (Mode) return std::to_string(orderDefaults.*Mode);
  if (OrderText) return Quoted(orderDefaults.*OrderText);
  switch (Kind) {
    case kText:
    case kBlob: return Quoted(defaults.*Text);
    case kInteger: return std::to_string(defaults.*Integer);
    case kSwitch: return defaults.*Switch ? "1 (on)" : "0 (off)";
    case kByte: return std::to_string(int(defaults.*Byte));
  }
  return std::string();
}
