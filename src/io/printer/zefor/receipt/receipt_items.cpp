// The items of a receipt: one Item per printed line and per paid modifier,
// with barcodes, custom data, discounts, taxes, the product code tag,
// voids and the text lines printed between items.
#include <cctype>

#include "io/printer/discounts/discount_share.h"
#include "io/printer/zefor/host/pos_objects.h"
#include "io/printer/zefor/receipt/product_code.h"
#include "io/printer/zefor/receipt/receipt_build.h"
#include "io/printer/zefor/zefor.h"
#include "posdata/pdsource.h"
#include "standart/errors.h"
#include "standart/format.h"
#include "xml/textconv.h"
#include "xml/xmlexception.h"
#include "xml/xmlstrings.h"

namespace ReceiptBuild {

namespace {

constexpr int32_t kModifierObjectKind = 14;
const char* const kMarkingModifiers[] = {"{01938E73-F604-4DEE-B4E8-E8FECBFE9597}",
                                         "{40BBB147-F861-4429-A5EC-C23F3A65A317}"};
const char* const kRawCodeModifier = "{A03E97BD-2162-4772-AB07-ED487C43DFD8}";


std::string TrimBlanks(const std::string& text) {
  size_t b = text.find_first_not_of(' ');
  if (b == std::string::npos) return std::string();
  return text.substr(b, text.find_last_not_of(' ') - b + 1);
}

size_t Utf8Length(const std::string& text) {
  size_t n = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

std::string Utf8Head(const std::string& text, size_t count) {
  size_t n = 0, i = 0;
  for (; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && n++ == count) break;
  return text.substr(0, i);
}

class tItemsBuilder {
 public:
  explicit tItemsBuilder(tReceiptBuild& b) : b_(b), items_(b.Xml.Receipt()->AppendElement("Items")) {}

  void Run() {
    std::vector<tFRDiscsDishInfo>& lines = b_.Infos().Lines;
    b_.Reg.Journal.Write(1, tZefJournal::Value("PrintFiscCheck", "[KT-2] Items count", std::to_string(lines.size())));
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].IsCombo) combo_ = int32_t(i);
      if (lines[i].Skip) continue;
      Line(lines[i], i);
    }
    const int32_t mode = b_.Reg.Params.PriceWithoutDiscountMode;
    if (mode == 1 || mode == 2) {
      if (mode == 1 || b_.TotalBefore != b_.TotalAfter)
        b_.Pending.push_back(PriceLine(CodePageToUtf8(RussianText("Итого без скидки:"), 0), b_.TotalBefore,
                                       b_.Reg.Params.TextLineWidth));
      AddDiscountTextLines(b_);
    }
    AttachText(current_, "After");
  }

 private:
  bool Printout() const { return b_.PrintedKind != fdVoids && b_.PrintedKind != fdCloseOrder; }
  bool WithVoids() const {
    return Printout() && b_.DocKind != fdFillOrder && b_.DocKind != fdUndoBill;
  }

  void Line(tFRDiscsDishInfo& original, size_t index) {
    tFRDiscsDishInfo line = original;
    if (WithVoids()) ReduceByVoids(line);
    const bool textInLine = b_.Has(ZefOptions::foTextInLine);
    const bool dish0Price = b_.Reg.EffectiveSettings.PrintDish0Price != 0;
    if (b_.Order.ComboMode == 1 && line.IsCombo && line.Sum == 0 && textInLine) {
      b_.Pending.push_back(b_.Xml.Utf8(line.NamePrefix + line.Name, true));
      Modifiers(original, line, ModifierTaxShares(line));
      return;
    }
    const bool forced = b_.PrintedKind == fdCancelOrder || (b_.Reg.EffectiveSettings.Voided && line.Quantity == 0);
    if (line.Sum == 0 && line.PaySum == 0 && !forced && !(b_.Has(ZefOptions::foZeroSale) && dish0Price)) {
      // A line whose paid modifiers took its whole amount is dropped, but
      // what its modifiers cost is still sold.
      if (!dish0Price) {
        if (HasPaidModifiers(line)) Modifiers(original, line, ModifierTaxShares(line));
        return;
      }
      if (textInLine) {
        std::string text = line.NamePrefix + line.Name;
        if (line.Quantity != 1000) text += "*" + TrimBlanks(QuantityText(line.Quantity));
        b_.Pending.push_back(b_.Xml.Utf8(text, true));
      }
      Modifiers(original, line, ModifierTaxShares(line));
      return;
    }
    IXmlElement item = NewItem();
    WriteLineAttributes(item, line);
    CustomData(item, line.ItemKind, line.ItemId);
    Barcodes(item, line.BarCodes);
    // The modifiers' parts of the line's taxes, worked out once for the
    // line's own taxes and for the modifier items.
    const std::vector<std::vector<int64_t>> modifierShares = ModifierTaxShares(line);
    if (Printout()) {
      if (line.Discounts && line.Discounts->Count() > 0) AddItemDiscounts(b_, item, *line.Discounts);
      if (b_.Reg.Params.PriceWithoutDiscountMode == 0) AddItemDiscInfos(b_, item, line);
      AddItemTaxes(b_, item, TaxesLessModifiers(line, modifierShares), nullptr);
    }
    MarkingCodes(item, line.DishUNI);
    AddAgentData(b_, item, line.ItemKind, line.ItemId);
    Voids(item, line.DishUNI, 1);
    Modifiers(original, line, modifierShares);
    PricesWithoutDiscount(line, index);
  }

  IXmlElement NewItem() {
    AttachText(current_, "After");
    current_ = items_->AppendElement("Item");
    AttachText(current_, "Before");
    return current_;
  }

  void WriteLineAttributes(const IXmlElement& item, const tFRDiscsDishInfo& line) {
    const int32_t protocol = b_.Protocol();
    item->SetIntAttr("Id", line.ItemId);
    item->SetAttr("Name", b_.Xml.Utf8(line.NamePrefix + line.Name, true));
    item->SetIntAttr("Code", line.DishCode);
    if (!line.PortionName.empty() && protocol >= 21) item->SetAttr("PortionName", b_.Xml.Utf8(line.PortionName, true));
    item->SetIntAttr("Department", line.Department);
    if (protocol >= 25) item->SetAttr("DepartmentName", b_.Xml.Utf8(line.DepartName, true));
    item->SetIntAttr("Quantity", line.Quantity);
    item->SetIntAttr("PricePerOne", line.Price);
    KindAttributes(item, line);
    if (protocol >= 32 && b_.Infos().UsePayPrices)
      item->SetIntAttr("PriceToPay", PriceToPay(line));
    item->SetIntAttr("Value", line.Sum);
  }

  // The price after the discounts printed on the item: the pay price where
  // they come to the line's pay amount (or to quantity × pay price), else
  // (discounts printed for the whole receipt, or not at all) the price of
  // what the item itself pays.
  int64_t PriceToPay(const tFRDiscsDishInfo& line) const {
    const bool discounts = Printout() && line.Discounts && line.Discounts->Count() > 0;
    const int64_t pay = line.Sum + (discounts ? PrintedItemDiscounts(b_, *line.Discounts) : 0);
    if (pay == line.Sum) return line.Price;
    if (pay == line.PaySum || LineAmount(line.Quantity, line.PayPrice) == pay) return line.PayPrice;
    return line.Quantity != 0 ? ShareByQuantity(line.Quantity, 1000, pay) : pay;
  }

  void KindAttributes(const IXmlElement& item, const tFRDiscsDishInfo& line) {
    const int32_t protocol = b_.Protocol();
    if (protocol >= 46) {
      item->SetIntAttr("ItemKind", line.Tax.ItemSubject);
      item->SetIntAttr("PaymentKind", line.Tax.PaymentMethod);
    } else if (protocol >= 36) {
      item->SetAttr("ForAdvance", line.IsAdvance ? "1" : "0");
    }
  }

  void ReduceByVoids(tFRDiscsDishInfo& line) {
    TPDDataSet* voids = b_.Data.GetDataSet("Voids", false);
    if (!voids || voids->RecCount() == 0) return;
    bool reduced = false;
    const auto records = UniRecords(b_.VoidsByUni, *voids, line.DishUNI);
    for (const int32_t* r = records.first; r != records.second; ++r) {
      voids->MoveTo(*r);
      line.Quantity -= AsThousandths(voids->GetRawValueByName("Quantity"));
      line.Sum -= AsHundredths(voids->GetRawValueByName("NationalSum"));
      reduced = true;
    }
    voids->MoveTo(voids->RecCount());
    if (!reduced || line.Quantity == 0) return;
    line.Price = ShareByQuantity(line.Quantity, 1000, line.Sum);
    if (LineAmount(line.Quantity, line.Price) != line.Sum) {
      line.Quantity = 1000;
      line.Price = line.Sum;
    }
  }

  void Voids(const IXmlElement& item, int32_t dishUni, int32_t perPiece) {
    TPDDataSet* voids = b_.Data.GetDataSet("Voids", false);
    if (!voids || voids->RecCount() == 0) return;
    IXmlElement list;
    const auto records = UniRecords(b_.VoidsByUni, *voids, dishUni);
    for (const int32_t* r = records.first; r != records.second; ++r) {
      voids->MoveTo(*r);
      if (!list) list = item->AppendElement("Voids");
      IXmlElement v = list->AppendElement("Void");
      v->SetIntAttr("Id", voids->GetRawValueByName("Void").AsInt64());
      v->SetAttr("Code", b_.Xml.Utf8(voids->GetFieldText("Void.Code")));
      v->SetAttr("Name", b_.Xml.Utf8(voids->GetFieldText("Void.Name"), true));
      v->SetIntAttr("Quantity", AsThousandths(voids->GetRawValueByName("Quantity")) * perPiece);
    }
    voids->MoveTo(voids->RecCount());
  }

  // The records of `set` whose DishUNI is `uni`, in record order, as going
  // through the records with the cursor finds them (the index is made on
  // first need, once per document).
  static std::pair<const int32_t*, const int32_t*> UniRecords(tUniIndex& index, TPDDataSet& set, int64_t uni) {
    index.Build(set, set.FieldIndex("DishUNI"), set.RecCount(), false);
    return index.Records(uni);
  }

  static bool HasPaidModifiers(const tFRDiscsDishInfo& line) {
    for (const tModifierRec& m : line.Modifiers)
      if (m.Sum != 0) return true;
    return false;
  }

  bool ModifierAsText(const tModifierRec& m) const {
    const int32_t mode = b_.Order.ModifierMode;
    return mode == 3 || (m.Price <= 0 && (mode == 4 || mode == 5));
  }

  bool ModifierIsItem(const tModifierRec& m) const {
    const bool dish0Price = b_.Reg.EffectiveSettings.PrintDish0Price != 0;
    return !ModifierAsText(m) && !(m.Price == 0 && !(b_.Has(ZefOptions::foZeroSale) && dish0Price));
  }

  // Per modifier (empty for those that are no item) and tax slot, the part
  // of the line's tax that the modifier item carries: the modifier's Sum
  // within what the line and its modifier items carry after the discounts
  // on them, split in order so that the parts never exceed the tax and the
  // line keeps the part of what it carries itself.
  std::vector<std::vector<int64_t>> ModifierTaxShares(const tFRDiscsDishInfo& line) const {
    int64_t carried = line.Sum + (line.Discounts ? line.Discounts->Total() : 0);
    for (const tModifierRec& m : line.Modifiers)
      if (ModifierIsItem(m)) carried += m.Sum;
    const int64_t basis = carried > 0 ? carried : line.DiscountedSum;
    std::vector<std::vector<int64_t>> shares(line.Modifiers.size());
    for (size_t k = 0; k < line.Taxes.size(); ++k) {
      int64_t total = basis, tax = line.Taxes[k].Amount;
      for (size_t i = 0; i < line.Modifiers.size(); ++i) {
        const tModifierRec& m = line.Modifiers[i];
        if (!ModifierIsItem(m)) continue;
        shares[i].resize(line.Taxes.size(), 0);
        shares[i][k] = Share(total, m.Sum, tax);
        total -= m.Sum;
        tax -= shares[i][k];
      }
    }
    return shares;
  }

  // The line's tax slots less what its modifier items carry, so that the
  // line and its modifiers together carry the line's tax once.
  tDishTaxInfoArray TaxesLessModifiers(const tFRDiscsDishInfo& line,
                                       const std::vector<std::vector<int64_t>>& modifierShares) const {
    tDishTaxInfoArray taxes = line.Taxes;
    for (const std::vector<int64_t>& shares : modifierShares)
      for (size_t k = 0; k < shares.size(); ++k) taxes[k].Amount -= shares[k];
    return taxes;
  }

  // allShares: ModifierTaxShares of the line.
  void Modifiers(tFRDiscsDishInfo& original, const tFRDiscsDishInfo& line,
                 const std::vector<std::vector<int64_t>>& allShares) {
    const bool textInLine = b_.Has(ZefOptions::foTextInLine);
    const bool dish0Price = b_.Reg.EffectiveSettings.PrintDish0Price != 0;
    std::vector<int64_t> given(original.Taxes.size(), 0);
    for (size_t i = 0; i < line.Modifiers.size(); ++i) {
      const tModifierRec& m = line.Modifiers[i];
      if (!ModifierIsItem(m)) {
        if (textInLine && (ModifierAsText(m) || dish0Price)) b_.Pending.push_back(b_.Xml.Utf8(m.Name, true));
        continue;
      }
      IXmlElement item = NewItem();
      item->SetIntAttr("Id", m.Id);
      item->SetAttr("Name", b_.Xml.Utf8(m.Name, true));
      item->SetIntAttr("Code", m.Code);
      item->SetIntAttr("Department", line.Department);
      if (b_.Protocol() >= 25) item->SetAttr("DepartmentName", b_.Xml.Utf8(line.DepartName, true));
      item->SetIntAttr("Quantity", m.Quantity);
      item->SetIntAttr("PricePerOne", m.Price);
      KindAttributes(item, line);
      if (b_.Protocol() >= 32 && b_.Infos().UsePayPrices) item->SetIntAttr("PriceToPay", m.Price);
      item->SetIntAttr("Value", m.Sum);
      CustomData(item, kModifierObjectKind, m.Id);
      if (b_.Has(ZefOptions::foAbsItemDiscount) && m.Discounts) {
        IXmlElement discounts = item->AppendElement("Discounts");
        for (int i = 0; i < m.Discounts->Count(); ++i) {
          if (m.Discounts->GetAmount(i) == 0) continue;
          IXmlElement d = discounts->AppendElement("Discount");
          d->SetIntAttr("Id", m.Discounts->GetDiscountId(i));
          d->SetIntAttr("Code", m.Discounts->GetCode(i));
          d->SetAttr("Name", b_.Xml.Utf8(m.Discounts->GetName(i), true));
          d->SetIntAttr("Value", m.Discounts->GetAmount(i));
        }
      }
      const std::vector<int64_t>& shares = allShares[i];
      for (size_t k = 0; k < shares.size() && k < given.size(); ++k) given[k] += shares[k];
      if (Printout()) AddItemTaxes(b_, item, line.Taxes, &shares);
      Voids(item, line.DishUNI, m.ModiCnt);
    }
    for (size_t k = 0; k < original.Taxes.size() && k < given.size(); ++k) original.Taxes[k].Amount -= given[k];
  }

  void Barcodes(const IXmlElement& item, const std::string& text) {
    if (b_.Protocol() < 19 || text.empty()) return;
    IXmlElement list;
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find_first_of("\r\n", start);
      if (end == std::string::npos) end = text.size();
      const std::string line = text.substr(start, end - start);
      start = end + 1;
      if (end < text.size() && text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
      if (line.empty() || line[0] == '\t') continue;
      if (!list) list = item->AppendElement("Barcodes");
      IXmlElement code = list->AppendElement("Barcode");
      const size_t tab = line.find('\t');
      code->SetAttr("Value", b_.Xml.Utf8(line.substr(0, tab)));
      code->SetAttr("Multiplier", tab == std::string::npos ? "1" : line.substr(tab + 1));
    }
  }

  void MarkingCodes(const IXmlElement& item, int32_t dishUni) {
    TPDDataSet* modifiers = b_.Data.GetDataSet("Modifiers", false);
    if (!modifiers || modifiers->RecCount() == 0 || modifiers->FieldIndex("OpenName") < 0) return;
    const auto records = UniRecords(b_.ModifiersByUni, *modifiers, dishUni);
    for (const int32_t* r = records.first; r != records.second; ++r) {
      modifiers->MoveTo(*r);
      const std::string guid = modifiers->GetFieldText("Modifier.GUIDSTRING");
      const std::string open = modifiers->GetFieldText("OpenName");
      std::string code;
      for (const char* marking : kMarkingModifiers)
        if (xmlstr::SameTextIgnoringCase(guid, marking)) code = TuRU54FZ1162::ProductCode(open);
      if (xmlstr::SameTextIgnoringCase(guid, kRawCodeModifier)) code = open;
      if (code.empty()) continue;
      IXmlElement tag = item->EnsureChild("RawTLVAttributes")->AppendElement("TLVBIN");
      tag->SetIntAttr("Id", 1162);
      tag->SetAttr("Value", TuRU54FZ1162::Hex(code));
    }
    modifiers->MoveTo(modifiers->RecCount());
  }

  // The POS object properties named by device parameter 30.
  void CustomData(const IXmlElement& item, int32_t kind, int32_t id) {
    const std::string& names = b_.Reg.Params.ItemCustomPropertyNames;
    if (b_.Protocol() < 23 || names.empty() || kind == 0 || id == 0) return;
    for (const std::string& name : PropertyNames(names)) {
      std::string value;
      try {
        value = PosObjects::PropertyText(kind, id, name);
      } catch (...) {
        b_.Reg.Journal.Write(0, Fmt("ref%d[%d].%s retrieve exception: %s", kind, id, name, ExceptionMessage()));
        continue;
      }
      if (!value.empty()) item->EnsureChild("CustomData")->AppendElement(ElementName(name))->SetNodeText(b_.Xml.Utf8(value));
    }
  }

  static std::vector<std::string> PropertyNames(const std::string& text) {
    std::vector<std::string> names;
    std::string current;
    bool quoted = false;
    for (char c : text) {
      if (c == '"') quoted = !quoted;
      else if (c == ',' && !quoted) {
        names.push_back(TrimBlanks(current));
        current.clear();
      } else current += c;
    }
    names.push_back(TrimBlanks(current));
    std::vector<std::string> kept;
    for (const std::string& n : names)
      if (!n.empty()) kept.push_back(n);
    return kept;
  }

  static std::string ElementName(const std::string& property) {
    std::string name;
    for (size_t i = 0; i < property.size(); ++i) {
      char c = char(std::toupper(static_cast<unsigned char>(property[i])));
      const bool letter = (c >= 'A' && c <= 'Z') || c == '_';
      const bool later = letter || (c >= '0' && c <= '9') || c == '-' || c == '.';
      if (i == 0) name += letter ? c : '_';
      else if (c == '^') name += '-';
      else name += later ? c : '_';
    }
    return name;
  }

  void PricesWithoutDiscount(const tFRDiscsDishInfo& line, size_t index) {
    const int32_t mode = b_.Reg.Params.PriceWithoutDiscountMode;
    if (mode != 1 && mode != 2) return;
    const std::vector<tFRDiscsDishInfo>& lines = b_.Infos().Lines;
    int64_t before = 0, after = 0;
    if (line.IsComboPart) {
      const bool last = index + 1 == lines.size() || !lines[index + 1].IsComboPart;
      if (!last || combo_ < 0) return;
      const tFRDiscsDishInfo& head = lines[size_t(combo_)];
      for (size_t k = size_t(combo_); k < lines.size(); ++k)
        if (k == size_t(combo_) || lines[k].ComboUNI == head.DishUNI) AddAmounts(lines[k], before, after);
    } else {
      AddAmounts(line, before, after);
    }
    b_.TotalBefore += before;
    b_.TotalAfter += after;
    if (mode == 1 || before != after)
      b_.Pending.push_back(PriceLine(CodePageToUtf8(RussianText("Цена без скидки"), 0), before,
                                     b_.Reg.Params.TextLineWidth));
  }

  void AddAmounts(const tFRDiscsDishInfo& line, int64_t& before, int64_t& after) {
    int64_t a = line.Sum;
    for (const tModifierRec& m : line.Modifiers) a += m.Sum;
    int64_t bf = a;
    TPDDataSet* dishes = b_.Data.GetDataSet("Dishes");
    dishes->First();
    for (int32_t r = 0; r < dishes->RecCount(); ++r, dishes->Next())
      if (dishes->GetRawValueByName("DishUNI").AsInt64() == line.DishUNI) {
        bf = AsHundredths(dishes->GetRawValueByName("FiscRegSum"));
        break;
      }
    before += bf;
    after += a;
  }

  void AttachText(const IXmlElement& item, const char* position) {
    if (!item || b_.Pending.empty()) return;
    IXmlElement unfiscal = item->FindElement("Unfiscal", "Position", position);
    if (!unfiscal) {
      unfiscal = item->AppendElement("Unfiscal");
      unfiscal->SetAttr("Position", position);
    }
    for (const std::string& text : b_.Pending) unfiscal->AppendElement("TextLine")->SetAttr("Text", text);
    b_.Pending.clear();
  }

  tReceiptBuild& b_;
  IXmlElement items_;
  IXmlElement current_;
  int32_t combo_ = -1;
};

}  // namespace

bool AddItems(tReceiptBuild& b) {
  if (!b.Xml.Receipt()) return false;
  tItemsBuilder(b).Run();
  return true;
}

std::string PriceLine(const std::string& labelUtf8, int64_t amount, int32_t width) {
  const std::string amountText = AmountText(amount);
  const int32_t a = int32_t(amountText.size());
  const int32_t room = width - a - 1;
  std::string label = room > 0 ? Utf8Head(labelUtf8, size_t(room)) : std::string();
  const int32_t pad = width - a - int32_t(Utf8Length(label));
  if (pad > 0) label += std::string(size_t(pad), ' ');
  return label + amountText;
}

std::string AmountText(int64_t hundredths) {
  const int64_t a = hundredths < 0 ? -hundredths : hundredths;
  return (hundredths < 0 ? "-" : "") + std::to_string(a / 100) + "." + std::to_string(100 + a % 100).substr(1);
}

}  // namespace ReceiptBuild
