// Device programming of the universal register: the "ProgramFR" document
// (clock, tax rates, departments) from the POS's configuration, handed to
// the driver with ZefProgram; and the device's tax-rate list, read from the
// POS's management configuration when the device is prepared.
#include "io/printer/zefor/host/pos_objects.h"
#include "io/printer/zefor/day/zef_clock.h"
#include "io/printer/zefor/zefor.h"
#include "platform/platform.h"
#include "standart/errors.h"
#include "standart/format.h"
#include "standart/host_params.h"
#include "standart/pos_callback.h"
#include "xml/textconv.h"

namespace {

const char kProgramStep[] = "ProgramPrinter";
const char kTaxesStep[] = "GetManagerTaxesOptions";
const char kDumpFile[] = "ZefProg.xml";
constexpr uint8_t kProgrammingContext = 9;

// One ProgramPrinter call: the document and the POS's texts in UTF-8.
class tProgramDocument {
 public:
  explicit tProgramDocument(TZefor& reg) : reg_(reg), host_(reg.PosCallback()) {
    int32_t charset = 1;
    if (host_.IntValue("MainCharset", charset)) charset_ = charset;
    document_ = NewXmlDocument("ProgramFR", "1.0", "utf-8");
  }
  IXmlDocument Document() const { return document_; }
  void AddClock();
  void AddTaxes();
  void AddDepartments();

 private:
  std::string Utf8(const std::string& text) const { return CharsetToUtf8(text, charset_); }
  std::string ClockSkipReason();

  TZefor& reg_;
  PosHost::tHost host_;
  int32_t charset_ = 1;
  IXmlDocument document_;
};

std::string tProgramDocument::ClockSkipReason() {
  const int32_t limit = reg_.Params.ClockProgrammingLimit;
  if (limit < 1) return std::string();
  TZefStatus status{};
  if (!reg_.CreateResult(reg_.ReadStatus(status, ZefStatus::fnInternalDateTime), "ZefGetStatus"))
    return "ZefGetStatus failed. Fiscal registrar time sync skipped.";
  if (status.InternalDate < 1) return "ZefGetStatus.InternalDate is zero. Fiscal registrar time sync skipped.";
  const int64_t diff = ZefClock::DifferenceSeconds(ZefClock::Now(), {status.InternalDate, status.InternalTime});
  if (diff > limit)
    return Fmt("ProgramTimeDiffMax (%d) is over (%d). Fiscal registrar time sync skipped.", limit, int32_t(diff));
  return std::string();
}

void tProgramDocument::AddClock() {
  const std::string skip = ClockSkipReason();
  if (!skip.empty()) {
    reg_.Journal.Write(1, skip);
    return;
  }
  document_->DocumentElement()->AppendElement("ProgramDateTime")->SetAttr("Source", "System");
}

void tProgramDocument::AddTaxes() {
  IXmlElement taxes = document_->DocumentElement()->AppendElement("ProgramTaxes");
  int32_t minIndex = 1, maxIndex = 1;
  reg_.TaxIndexRange(minIndex, maxIndex);
  ZefTaxes::ForEachRate(host_, reg_.OrderState.TaxTypeProperty, minIndex, maxIndex,
                        [&](const ZefTaxes::tRate& rate) {
                          if (rate.StatusKnown && rate.Status != ZefTaxes::kActive) return;
                          IXmlElement tax = taxes->AppendElement("Tax");
                          tax->SetIntAttr("TaxRateIndex", rate.Index);
                          tax->SetIntAttr("RateValue", rate.Value);
                          tax->SetAttr("TaxName", Utf8(rate.TaxName));
                          tax->SetAttr("RateName", Utf8(rate.RateName));
                        });
}

void tProgramDocument::AddDepartments() {
  IXmlElement departments = document_->DocumentElement()->AppendElement("ProgramDepartments");
  departments->SetAttr("DefaultDepartmentName", Utf8(reg_.Params.DefaultDepartmentName));
  int32_t classification = 0;
  if (!host_.IntValue("DepartByClassification", classification) || classification == 0) return;
  const int32_t count = host_.ObjectCount(ZefTaxes::kGroupClass);
  for (int32_t i = 0; i < count; ++i) {
    PosHost::tObject group = host_.ObjectAs(host_.ObjectIdent(ZefTaxes::kGroupClass, i), PosHost::kReferentItem);
    if (!group) continue;
    const uint32_t ident = uint32_t(group.Ident());
    if ((ident & ~0xFFu) != uint32_t(classification) || (ident & 0xFFu) == 0) continue;
    int32_t status = 0, code = 0;
    group.IntProp("Status", status);
    group.IntProp("DepartCode", code);
    if (status <= 0) continue;
    IXmlElement department = departments->AppendElement("Department");
    department->SetIntAttr("Number", code);
    department->SetAttr("Name", Utf8(group.Name(ZefTaxes::kGroupNameSize)));
  }
}

}  // namespace

void TZefor::TaxIndexRange(int32_t& minIndex, int32_t& maxIndex) {
  using namespace PosObjects;
  minIndex = IntegerOr(PropertyText(kFiscRegTypeClass, Params.FiscRegTypeNum, "TaxMinType"), 1);
  maxIndex = IntegerOr(PropertyText(kFiscRegTypeClass, Params.FiscRegTypeNum, "TaxMaxType"), 1);
}

void TZefor::ProgramPrinter(const void*) {
  Journal.Write(1, tZefJournal::OperationEntry(kProgramStep));
  // The final line and the dump are written also when the build fails.
  struct tFinal {
    TZefor& reg;
    ~tFinal() { reg.Journal.Write(1, tZefJournal::OperationFinal(kProgramStep)); }
  } closing{*this};
  std::string xml;
  {
    tProgramDocument program(*this);
    struct tDump {
      TZefor& reg;
      const tProgramDocument& program;
      ~tDump() {
        if (reg.Params.SaveXMLProgram) reg.SaveDumpText(kDumpFile, program.Document()->Xml());
      }
    } dump{*this, program};
    if (Params.ProgramSwitch9) program.AddClock();
    if (Params.ProgramTaxes) program.AddTaxes();
    if (Params.ProgramDepartments) program.AddDepartments();
    xml = program.Document()->Xml();
  }
  bool shiftNotClosed = false;
  if (!IsReadyFR(kProgrammingContext, shiftNotClosed) || shiftNotClosed) return;
  if (!CreateResult(Driver.InDriverThread([&] { return Driver.Program(xml); }), "ZefProgram"))
    OfflineQuestion(false, Fmt(HostParams::Translate("Fiscal Registrar Programming: %s"), LastExecErrorText));
}

void TZefor::GetManagerTaxesOptions() {
  TKvt_ManagerTaxesOptionsList& list = taxesOptions_;
  list.Clear();
  int32_t minIndex = 1, maxIndex = 1;
  TaxIndexRange(minIndex, maxIndex);
  ZefTaxes::ForEachRate(PosHost::tHost(PosCallback()), OrderState.TaxTypeProperty, minIndex,
                        maxIndex, [&](const ZefTaxes::tRate& rate) {
                          if (!rate.StatusKnown || rate.Status != ZefTaxes::kActive) return;
                          TKvt_Tax entry;
                          entry.Defined = true;
                          entry.RateValue = uint16_t(rate.Value);
                          entry.TaxRateIndex = rate.Index;
                          if (rate.Value == 0 && !list.ZeroRateEntry.Defined) list.ZeroRateEntry = entry;
                          list.Entries.push_back(entry);
                        });
  if (!list.ZeroRateEntry.Defined) {
    if (!list.Entries.empty()) list.ZeroRateEntry = list.Entries.front();
    list.ZeroRateEntry.Defined = true;
  }
  Journal.Write(1, tZefJournal::Value(kTaxesStep, "ИНДЕКС НУЛЕВОЙ Н.С. (в Станции Менеджера)",
                                      std::to_string(list.ZeroRateEntry.TaxRateIndex)));
  for (const TKvt_Tax& entry : list.Entries)
    Journal.Write(1, Fmt("%s = %s, %s = %s", "TaxRateIndex", std::to_string(entry.TaxRateIndex), "RateValue",
                         std::to_string(entry.RateValue)));
  Journal.Flush();
}
