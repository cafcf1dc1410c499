#include "discount_testing.h"

#include <sstream>

#include "orderparser.h"
#include "orderstream.h"
#include "platform/platform.h"
#include "posdata/pdhooks.h"
#include "support/test_files.h"

namespace discount_testing {

void LoadOrderInto(TPDDataSource& source, const std::string& description) {
  const std::string bytes = orderwriter::WriteOrderStream(orderwriter::ParseOrderDescription(description));
  TPDReadStream stream(bytes.data(), bytes.size());
  source.Clear();
  source.LoadFromStream(stream, 1);
  source.Open();
}

std::unique_ptr<TPDDataSource> LoadOrder(const std::string& description) {
  auto source = std::make_unique<TPDDataSource>();
  LoadOrderInto(*source, description);
  return source;
}

std::string ReadSample(const std::string& fileName) {
  std::string text;
  if (!platform::ReadWholeFile(std::string(ZEF_ORDER_SAMPLES) + "/" + fileName, text)) return std::string();
  return text;
}

const char kDishesColumns[] =
    "dataset Dishes\ncolumn Dish integer ref=1\ncolumn Charge integer\ncolumn DishUNI integer\n"
    "column ComboUNI integer\ncolumn IsCombo integer\ncolumn DishCode integer\ncolumn DishName string\n"
    "column AltDishName string\ncolumn Quantity frac\ncolumn DishPrice frac\ncolumn NationalSum frac\n"
    "column NationalPaySum frac\ncolumn FiscRegSum frac\ncolumn FiscRegPaySum frac\ncolumn Department integer\n"
    "column TaxRate1 integer ref=3\n";
const char kDiscountsColumns[] =
    "dataset Discounts\ncolumn Discount integer ref=4\ncolumn DishUNI integer\ncolumn IsCharge boolean\n"
    "column NationalAmount frac\ncolumn FiscRegAmount frac\n";
const char kDiscTaxesColumns[] =
    "dataset DiscTaxes\ncolumn Discount integer ref=4\ncolumn DishUNI integer\ncolumn NationalAmount frac\n"
    "column FiscRegAmount frac\ncolumn TaxRate1 integer ref=3\n";
const char kTaxesColumns[] = "dataset Taxes\ncolumn DishUNI integer\ncolumn Tax integer ref=3\ncolumn NationalSum frac\n";
const char kModifiersColumns[] =
    "dataset Modifiers\ncolumn Modifier integer ref=5\ncolumn DishUNI integer\ncolumn Pieces frac\n"
    "column ModiName string\ncolumn AltName string\ncolumn Price frac\ncolumn PriceSum frac\n"
    "column ModiCnt integer\n";
const char kPaymentsColumns[] =
    "dataset Payments\ncolumn Currency integer ref=52\ncolumn CurrLineCurrency integer ref=52\n"
    "column NationalSum frac\ncolumn OriginalSum frac\ncolumn FiscRegUnfiscType integer\n";

std::string OrderText(const tOrderRows& r) {
  return "# settings: " + r.Settings + "\nresource PDDATA\nsource PDS version=1\n" + kDishesColumns + r.Dishes +
         kDiscountsColumns + r.Discounts + kDiscTaxesColumns + r.DiscTaxes + kTaxesColumns + r.Taxes +
         kModifiersColumns + r.Modifiers + kPaymentsColumns + r.Payments;
}

std::string DishRow(int32_t dish, int32_t uni, const std::string& name, const std::string& quantity,
                    const std::string& price, const std::string& sum, const std::string& paySum, int32_t department,
                    int32_t taxRate, int32_t comboUni, int32_t isCombo, int32_t charge) {
  std::ostringstream out;
  out << "row " << dish << " " << charge << " " << uni << " " << comboUni << " " << isCombo << " " << dish << " \""
      << name << "\" \"" << name << " alt\" " << quantity << " " << price << " " << sum << " " << paySum << " "
      << sum << " " << paySum << " " << department << " " << taxRate << "\n";
  return out.str();
}

// ---- settings ----------------------------------------------------------------------

namespace {

struct tSettingField {
  const char* Name;
  int64_t (*Get)(const tCaseSettings&);
  void (*Put)(tCaseSettings&, int64_t);
};

#define ZEF_SETTING(key, member) \
  {key, [](const tCaseSettings& s) { return int64_t(s.member); }, [](tCaseSettings& s, int64_t v) { s.member = decltype(s.member)(v); }}

const tSettingField kSettingFields[] = {
    ZEF_SETTING("PrintChange", Document.PrintChange),
    ZEF_SETTING("UseTaxDishType", Document.UseTaxDishType),
    ZEF_SETTING("SummaryOnly", Document.SummaryOnly),
    ZEF_SETTING("SeparateDiscounts", Document.SeparateDiscounts),
    ZEF_SETTING("PrintDish0Price", Document.PrintDish0Price),
    ZEF_SETTING("UseAltNames", Document.UseAltNames),
    ZEF_SETTING("OrderDocument", Document.OrderDocument),
    ZEF_SETTING("ComboMode", ComboMode),
    ZEF_SETTING("ModifierMode", ModifierMode),
    ZEF_SETTING("DiscountMode", DiscountMode),
    ZEF_SETTING("CommonDiscWithTaxes", Args.CommonDiscWithTaxes),
    ZEF_SETTING("GroupClassification", Args.GroupClassification),
    ZEF_SETTING("ByDepartment", Args.ByDepartment),
    ZEF_SETTING("NoAbsDiscountSum", Args.NoAbsDiscountSum),
    ZEF_SETTING("MarkupsAllowed", Args.MarkupsAllowed),
    ZEF_SETTING("DiscountsAllowed", Args.DiscountsAllowed),
    ZEF_SETTING("UsePayPrices", UsePayPrices),
    ZEF_SETTING("PriceStep", PriceStep),
    ZEF_SETTING("TaxCount", TaxCount),
    ZEF_SETTING("IsDeletion", IsDeletion),
    ZEF_SETTING("MaxPayType", MaxPayType),
};
#undef ZEF_SETTING

}  // namespace

tCaseSettings ParseSettings(const std::string& description) {
  tCaseSettings s;
  s.Args.DiscountName = "Discount";
  s.Args.CorrectionName = "Correction";
  s.Args.SummaryName = "Summary";
  std::istringstream in(description);
  std::string line;
  while (std::getline(in, line)) {
    const std::string marker = "# settings:";
    if (line.compare(0, marker.size(), marker) != 0) continue;
    std::istringstream words(line.substr(marker.size()));
    std::string word;
    while (words >> word) {
      const size_t eq = word.find('=');
      if (eq == std::string::npos) continue;
      const std::string key = word.substr(0, eq), value = word.substr(eq + 1);
      if (key == "MarkupLine") {
        s.Args.MarkupLineName = value;
        continue;
      }
      for (const tSettingField& f : kSettingFields)
        if (key == f.Name) f.Put(s, std::stoll(value));
    }
  }
  return s;
}

std::string SettingsLine(const tCaseSettings& s) {
  std::string line = "# settings:";
  for (const tSettingField& f : kSettingFields) line += std::string(" ") + f.Name + "=" + std::to_string(f.Get(s));
  if (!s.Args.MarkupLineName.empty()) line += " MarkupLine=" + s.Args.MarkupLineName;
  return line + "\n";
}

// ---- POS reference answers -----------------------------------------------------------

namespace {

tReferenceAnswers* activeAnswers = nullptr;

std::string DefaultAnswer(int32_t kind, int32_t id, const std::string& path) {
  switch (kind) {
    case 3:  // tax rates: rate r is tax r with fiscal code r
      if (path == "FiscRegTaxType1" || path == "Tax") return std::to_string(id);
      if (path == "TaxRate") return id == 1 ? "2000" : id == 2 ? "1000" : "0";
      return std::string();
    case 52:  // currencies: 1 cash, 2 card, 3 credit
      if (path == "FiscRegPayType1") return id >= 1 && id <= 3 ? std::to_string(id) : std::string();
      if (path == "OpenBox") return id == 1 ? "1" : "0";
      if (path == "Name") return "Currency " + std::to_string(id);
      if (path == "AltName") return "Alt currency " + std::to_string(id);
      return std::string();
    case 4:  // discounts
      if (path == "Code") return std::to_string(id * 10);
      if (path == "Name") return "Discount " + std::to_string(id);
      return std::string();
    default:
      return std::string();
  }
}

std::string RefPropHook(int32_t kind, int32_t id, const std::string& path) {
  return tReferenceAnswers::Answer(kind, id, path);
}

}  // namespace

tReferenceAnswers::tReferenceAnswers() {
  activeAnswers = this;
  TPDHooks hooks;
  hooks.RefProp = RefPropHook;
  SetPDHooks(hooks);
}

tReferenceAnswers::~tReferenceAnswers() {
  SetPDHooks(TPDHooks());
  activeAnswers = nullptr;
}

void tReferenceAnswers::Set(int32_t kind, int32_t id, const std::string& path, const std::string& text) {
  answers_[std::make_tuple(kind, id, path)] = text;
}

std::string tReferenceAnswers::Answer(int32_t kind, int32_t id, const std::string& path) {
  if (activeAnswers) {
    const auto it = activeAnswers->answers_.find(std::make_tuple(kind, id, path));
    if (it != activeAnswers->answers_.end()) return it->second;
  }
  return DefaultAnswer(kind, id, path);
}

// ---- reference objects -----------------------------------------------------------------

bool tFakeReferent::IntProperty(const std::string& n, int64_t& v) const {
  const auto it = ints.find(n);
  if (it == ints.end()) return false;
  v = it->second;
  return true;
}

std::string tFakeReferent::TextProperty(const std::string& n) const {
  const auto it = texts.find(n);
  return it == texts.end() ? std::string() : it->second;
}

std::shared_ptr<tFakeReferent> tFakeReferences::Add(int32_t kind, int32_t id, const std::string& name) {
  auto object = std::make_shared<tFakeReferent>();
  object->id = id;
  object->name = name;
  object->altName = "Alt " + name;
  objects[kind].push_back(object);
  return object;
}

bool tFakeReferences::HostInteger(const std::string& name, int64_t& value) {
  const auto it = hostValues.find(name);
  if (it == hostValues.end()) return false;
  value = it->second;
  return true;
}

int32_t tFakeReferences::ObjectCount(int32_t kind) { return int32_t(objects[kind].size()); }

tReferentRef tFakeReferences::ObjectAt(int32_t kind, int32_t index) { return objects[kind].at(size_t(index)); }

tReferentRef tFakeReferences::ObjectById(int32_t kind, int32_t id) {
  for (const auto& object : objects[kind])
    if (object->id == id) return object;
  return nullptr;
}

// ---- the register -----------------------------------------------------------------------

tTestRegister::tTestRegister(int32_t maxPayType_, int taxCount_, iPosReferences* references_)
    : tCommonFiscReg(0), maxPayType(maxPayType_), taxCount(taxCount_), references(references_) {
  preparation.SetNameProperties(true, 0);
  PrepareOrderState();
}

tTestRegister::~tTestRegister() {
  if (logDir_.empty()) return;
  Log.SetLoggingOn(false);
  test_files::RemoveTree(logDir_);
}

void tTestRegister::CreateDiscountInfos() {
  OrderState.DiscountInfos = std::make_unique<tDiscountInfos>(OrderState.TaxTypeProperty, taxCount, references);
}

bool tTestRegister::PosTextValue(const std::string& name, std::string& text) {
  if (midServerVersion.empty() || name != "#SYS#MidServVersion") return false;
  text = midServerVersion;
  return true;
}

void tTestRegister::KeepLog() {
  if (!logDir_.empty()) return;
  logDir_ = test_files::UniqueTempDir("discount_testing_");
  Log.SetFileName(logDir_ + "register.log");
  Log.SetLoggingOn(true);
  Log.SetBuffered(false);
}

std::vector<std::string> tTestRegister::LogLines() {
  std::vector<std::string> lines;
  if (logDir_.empty()) return lines;
  FlushLog();
  std::string text;
  platform::ReadWholeFile(Log.FileName(), text);
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool tTestRegister::LogHas(const std::string& fragment) {
  for (const std::string& line : LogLines())
    if (line.find(fragment) != std::string::npos) return true;
  return false;
}

void ApplySettings(tTestRegister& reg, const tCaseSettings& s) {
  reg.TakeDocumentSettings(s.Document);
  reg.OrderState.ComboMode = s.ComboMode;
  reg.OrderState.ModifierMode = s.ModifierMode;
  reg.OrderState.DiscountMode = s.DiscountMode;
  reg.Distribution().UsePayPrices = s.UsePayPrices;
  reg.Distribution().SetPriceStep(s.PriceStep);
}

std::string DecimalText(int64_t value, int decimals) {
  const uint64_t magnitude = value < 0 ? 0 - uint64_t(value) : uint64_t(value);
  uint64_t unit = 1;
  for (int i = 0; i < decimals; ++i) unit *= 10;
  std::string fraction = std::to_string(magnitude % unit);
  fraction.insert(0, size_t(decimals) - fraction.size(), '0');
  return (value < 0 ? "-" : "") + std::to_string(magnitude / unit) + "." + fraction;
}

// ---- dump ------------------------------------------------------------------------------------

namespace {

void DumpSet(std::ostringstream& out, const iDishDiscountInfo& set) {
  for (int i = 0; i < set.Count(); ++i) {
    const tDishDiscInfo& e = set.Entry(i);
    out << "    disc id=" << e.DiscountId << " code=" << e.Code << " name=" << e.Name << " amount=" << e.Amount
        << " own=" << int(e.IsOwn) << " corr=" << int(e.IsCorrection) << "\n";
  }
}

}  // namespace

std::string DumpPrepared(tTestRegister& reg) {
  std::ostringstream out;
  const tOrderPreparationState& st = reg.OrderState;
  out << "total=" << st.TotalSum << " nopay=" << st.NoPayDiscount << " nopayname=" << st.NoPayDiscountName
      << " nonfiscal=" << st.AllNonFiscal << " taboo=" << st.TabooPayment << " openbox=" << st.OpenBox
      << " separate=" << int(reg.EffectiveSettings.SeparateDiscounts) << "\n";
  for (size_t i = 0; i < st.PayTable.size(); ++i) {
    const tPayTableEntry& e = st.PayTable[i];
    out << "pay " << i << " amount=" << e.Amount << " orig=" << e.OriginalSum << " change=" << int(e.IsChange)
        << " currency=" << e.CurrencyId << " name=" << e.CurrencyName << "\n";
  }
  const tDiscountInfos& di = *st.DiscountInfos;
  out << "proportional=";
  for (int32_t id : di.ProportionalDiscs) out << id << ",";
  out << " orderlevel=" << di.OrderLevelOnly << " pending=" << di.PendingAmount << " dup=" << di.HasDuplicateUni
      << " samtax=" << di.AllSameTax << "\n";
  for (const tFRDiscsDishInfo& l : di.Lines) {
    out << "line uni=" << l.DishUNI << " name=" << l.NamePrefix << l.Name << " skip=" << int(l.Skip)
        << " q=" << l.Quantity << " price=" << l.Price << " sum=" << l.Sum << " pay=" << l.PaySum
        << " payprice=" << l.PayPrice << " disc=" << l.DiscountedSum << " tax=" << l.Tax.Text << "/"
        << l.Tax.PaymentMethod << "/" << l.Tax.ItemSubject << " dept=" << l.Department << ":" << l.DepartName
        << " first=" << l.FirstSameUni << " merged=" << int(l.Merged) << " combo=" << int(l.IsCombo) << "/"
        << int(l.IsComboPart) << " kind=" << l.ItemKind << " item=" << l.ItemId << " code=" << l.DishCode << "\n";
    for (const tDishTaxInfo& t : l.Taxes)
      if (t.Present || t.Amount) out << "    tax code=" << t.FiscalTaxCode << " rate=" << t.Rate << " amount=" << t.Amount << "\n";
    DumpSet(out, *l.Discounts);
    for (const tModifierRec& m : l.Modifiers) {
      out << "  mod id=" << m.Id << " name=" << m.Name << " q=" << m.Quantity << " price=" << m.Price
          << " sum=" << m.Sum << " cnt=" << m.ModiCnt << " code=" << m.Code << "\n";
      DumpSet(out, *m.Discounts);
    }
  }
  return out.str();
}

}  // namespace discount_testing
