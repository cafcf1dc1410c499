#include "emu_document.h"

#include "emu_register.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <vector>

#include "io/printer/zefor/driver/zef_options.h"

namespace emu {

namespace {

constexpr int kWidth = 42;

struct KindRule {
  const char* DocType;
  const char* Options[2];  // the document is announced when one of these is set; none: always
  bool Receipt;
  int32_t Sign;
  bool Payments;           // carries payments that must balance
};

const KindRule kKinds[] = {
    {"Receipt", {nullptr, nullptr}, true, 1, true},
    {"Invoice", {"foFiscInvoice", nullptr}, true, 1, true},
    {"ReturnReceipt", {"foReturnReceipt", nullptr}, true, -1, true},
    {"Return", {"foDeleteReceipt", "foReturnReceipt"}, true, -1, true},
    {"Deletion", {"foDeleteReceipt", nullptr}, true, -1, true},
    {"ReturnDeletion", {"foDeleteReturn", nullptr}, true, 1, true},
    {"ReceiptCopy", {"foCheckCopy", nullptr}, false, 0, true},
    {"Bill", {"foBill", nullptr}, false, 0, false},
    {"CancelBill", {"foCancelBill", "foBill"}, false, 0, false},
    {"CreateOrder", {"foCreateCloseOrder", nullptr}, false, 0, false},
    {"CloseOrder", {"foCreateCloseOrder", nullptr}, false, 0, false},
    {"CancelSeat", {"foCreateCloseOrder", nullptr}, false, 0, false},
    {"Correction", {"foCorrection", nullptr}, false, 0, false},
    {"CancelOrder", {"foCancelOrder", nullptr}, false, 0, false},
};

struct Refusal : std::runtime_error {
  Refusal(int32_t code, const std::string& what) : std::runtime_error(what), Code(code) {}
  int32_t Code;
};

[[noreturn]] void Refuse(int32_t code, const std::string& what) { throw Refusal(code, what); }

bool OptionSet(uint64_t options, const char* name) {
  for (const ZefOptions::tOptionRow& row : ZefOptions::kOptionTable)
    if (std::string(row.Name) == name) return (options & ZefOptions::RowMask(row)) != 0;
  return false;
}

bool Announced(const KindRule& rule, uint64_t options) {
  if (!rule.Options[0]) return true;
  for (const char* name : rule.Options)
    if (name && OptionSet(options, name)) return true;
  return false;
}

bool ParseInteger(const std::string& text, int64_t& value) {
  if (text.empty()) return false;
  size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  for (size_t k = i; k < text.size(); ++k)
    if (text[k] < '0' || text[k] > '9') return false;
  if (text.size() - i > 18) return false;
  value = std::strtoll(text.c_str(), nullptr, 10);
  return true;
}

std::string Where(const XmlNode& node, size_t index) {
  return node.Name + " " + std::to_string(index + 1) + " (" + node.Attr("Name", node.Attr("Id")) + ")";
}

int64_t NeedInteger(const XmlNode& node, const std::string& attr, const std::string& where) {
  if (!node.HasAttr(attr)) Refuse(kRefuseForm, where + ": attribute " + attr + " is missing");
  const std::string text = node.Attr(attr);
  int64_t value = 0;
  if (!ParseInteger(text, value)) Refuse(kRefuseForm, where + ": " + attr + " \"" + text + "\" is not an integer");
  return value;
}

int64_t RoundDiv(int64_t a, int64_t b) {
  int64_t q = a / b, r = a % b;
  if (2 * (r < 0 ? -r : r) >= (b < 0 ? -b : b)) q += (a < 0) == (b < 0) ? 1 : -1;
  return q;
}

int64_t LineAmount(int64_t quantity, int64_t price) { return RoundDiv(quantity * price, 1000); }

bool IsHex(const std::string& text) {
  for (char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
  return true;
}

bool CheckDigitValid(const std::string& digits) {
  if (digits.empty()) return false;
  int sum = 0;
  for (size_t i = 0; i < digits.size(); ++i) {
    int weight = (digits.size() - i) % 2 == 0 ? 3 : 1;
    sum += (digits[i] - '0') * weight;
  }
  return sum % 10 == 0;
}

// Tag 1162: two kind bytes and a payload, 2 to 32 bytes, upper-case hex;
// the barcode kinds carry a 48-bit number of the right length with a valid
// check digit.
void CheckProductCode(const std::string& hex, const std::string& where) {
  if (hex.size() % 2 != 0 || hex.size() < 4 || hex.size() > 64 || !IsHex(hex))
    Refuse(kRefuseForm, where + ": tag 1162 \"" + hex + "\" is not 2 to 32 bytes of upper-case hex");
  const std::string kind = hex.substr(0, 4);
  static const char* const kKnown[] = {"4508", "450D", "490E", "444D", "5246", "C514", "C51E", "0000"};
  if (std::find_if(std::begin(kKnown), std::end(kKnown), [&](const char* k) { return kind == k; }) == std::end(kKnown))
    Refuse(kRefuseForm, where + ": tag 1162 has the unknown code kind " + kind);
  const size_t digits = kind == "4508" ? 8 : kind == "450D" ? 13 : kind == "490E" ? 14 : 0;
  if (digits) {
    if (hex.size() != 16) Refuse(kRefuseForm, where + ": tag 1162 of kind " + kind + " must have 6 payload bytes");
    std::string number = std::to_string(std::strtoull(hex.substr(4).c_str(), nullptr, 16));
    if (number.size() < digits) number.insert(0, digits - number.size(), '0');
    if (number.size() != digits || !CheckDigitValid(number))
      Refuse(kRefuseForm, where + ": tag 1162 barcode " + number + " has no valid check digit");
  } else if (kind == "444D" && hex.size() < 16) {
    Refuse(kRefuseForm, where + ": tag 1162 DataMatrix without its 6 GTIN bytes");
  }
}

const XmlNode* TagNamed(const XmlNode& parent, const char* type, const char* id) {
  for (const XmlNode* tag : parent.ChildrenNamed(type))
    if (tag->Attr("Id") == id) return tag;
  return nullptr;
}

bool AllDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// The agent tags of an item: one agent kind bit; an agent's item names its
// supplier and the supplier's taxpayer number (10 digits and two blanks for
// a company, 12 digits for a person); a phone is "+" and digits.
void CheckAgentTags(const XmlNode& tags, const std::string& where) {
  const XmlNode* supplier = TagNamed(tags, "STLV", "1224");
  const XmlNode* number = TagNamed(tags, "TLVSTR", "1226");
  if (const XmlNode* phone = supplier ? TagNamed(*supplier, "TLVSTR", "1171") : nullptr) {
    const std::string text = phone->Attr("Value");
    if (text.size() < 2 || text.size() > 20 || text[0] != '+' || !AllDigits(text.substr(1)))
      Refuse(kRefuseForm, where + ": tag 1171 \"" + text + "\" is no phone number");
  }
  if (number) {
    const std::string text = number->Attr("Value");
    if (text.size() != 12 || !(AllDigits(text) || (AllDigits(text.substr(0, 10)) && text.substr(10) == "  ")))
      Refuse(kRefuseForm, where + ": tag 1226 \"" + text + "\" is no taxpayer number of 12 characters");
  }
  const XmlNode* kind = TagNamed(tags, "TLVU08", "1222");
  if (!kind) return;
  const int64_t bits = std::atoll(kind->Attr("Value").c_str());
  if (bits <= 0 || bits > 64 || (bits & (bits - 1)) != 0)
    Refuse(kRefuseForm, where + ": tag 1222 \"" + kind->Attr("Value") + "\" is no agent kind");
  if (!supplier || !TagNamed(*supplier, "TLVSTR", "1225") || !number)
    Refuse(kRefuseForm, where + ": an agent's item without the supplier's name (1224, 1225) or taxpayer number (1226)");
}

class Checker {
 public:
  Checker(const Config& c, uint64_t options) : c_(c), options_(options) {}

  Verdict Run(const XmlNode& root) {
    Verdict v;
    try {
      v.Summary = Check(root);
    } catch (const Refusal& r) {
      v.Code = r.Code;
      v.Problem = r.what();
    }
    return v;
  }

 private:
  DocumentSummary Check(const XmlNode& root) {
    if (root.Name != "FiscalDocument") Refuse(kRefuseForm, "the root element is " + root.Name + ", not FiscalDocument");
    DocumentSummary s;
    s.DocType = root.Attr("DocType");
    if (s.DocType.empty()) Refuse(kRefuseForm, "DocType is empty");
    const KindRule* rule = nullptr;
    for (const KindRule& k : kKinds)
      if (s.DocType == k.DocType) rule = &k;
    if (!rule) Refuse(kRefuseForm, "DocType " + s.DocType + " is not a document this register prints");
    if (!Announced(*rule, options_)) Refuse(kRefuseForm, "DocType " + s.DocType + " was not announced by the register");
    if (!root.Children.empty() && root.Children.front().Name != "Header")
      Refuse(kRefuseForm, "Header is not the first element");
    const XmlNode* header = root.Child("Header");
    if (!header) Refuse(kRefuseForm, "Header is missing");
    for (const char* part : {"Restaurant", "Operator", "Station"})
      if (!header->Child(part)) Refuse(kRefuseForm, std::string("Header/") + part + " is missing");
    const XmlNode* receipt = root.Child("Receipt");
    if (!receipt) Refuse(kRefuseForm, "Receipt is missing");
    if (root.ChildrenNamed("Receipt").size() != 1) Refuse(kRefuseForm, "more than one Receipt");
    NeedInteger(*receipt, "DocNumber", "Receipt");
    const XmlNode* items = receipt->Child("Items");
    if (!items) Refuse(kRefuseForm, "Receipt/Items is missing");
    s.Receipt = rule->Receipt;
    s.Sign = rule->Sign;
    int64_t total = 0;
    const std::vector<const XmlNode*> itemList = items->ChildrenNamed("Item");
    for (size_t i = 0; i < itemList.size(); ++i) total += CheckItem(*itemList[i], i);
    if (const XmlNode* discounts = receipt->Child("Discounts"))
      for (const XmlNode* d : discounts->ChildrenNamed("Discount")) {
        total += NeedInteger(*d, "Value", "receipt discount");
        CheckTaxes(d->Child("Taxes"), "receipt discount", 0, false);
      }
    if (total < 0) Refuse(kRefuseAmounts, "the receipt total " + Money(total) + " is negative");
    s.Total = total;
    if (rule->Payments) {
      if (itemList.empty()) Refuse(kRefuseForm, "a receipt without items");
      s.CashIn = CheckPayments(receipt->Child("Payments"), total);
    }
    s.Payments = payments_;
    s.Taxes = taxes_;
    return s;
  }

  // The item's amount after its discounts.
  int64_t CheckItem(const XmlNode& item, size_t index) {
    const std::string where = Where(item, index);
    if (!item.HasAttr("Name")) Refuse(kRefuseForm, where + ": Name is missing");
    NeedInteger(item, "Id", where);
    const int64_t quantity = NeedInteger(item, "Quantity", where);
    const int64_t price = NeedInteger(item, "PricePerOne", where);
    const int64_t value = NeedInteger(item, "Value", where);
    if (quantity < 0 || price < 0 || value < 0)
      Refuse(kRefuseAmounts, where + ": negative quantity, price or amount");
    if (LineAmount(quantity, price) != value)
      Refuse(kRefuseAmounts, where + ": amount " + Money(value) + " differs from quantity " +
                                 std::to_string(quantity) + " x price " + Money(price) + " = " +
                                 Money(LineAmount(quantity, price)));
    int64_t pay = value;
    if (const XmlNode* discounts = item.Child("Discounts"))
      for (const XmlNode* d : discounts->ChildrenNamed("Discount")) pay += NeedInteger(*d, "Value", where + " discount");
    if (pay < 0) Refuse(kRefuseAmounts, where + ": discounts exceed the amount " + Money(value));
    if (item.HasAttr("PriceToPay")) {
      const int64_t toPay = LineAmount(quantity, NeedInteger(item, "PriceToPay", where));
      if (toPay != pay)
        Refuse(kRefuseAmounts, where + ": amount to pay " + Money(pay) + " differs from quantity x PriceToPay = " +
                                   Money(toPay));
    }
    CheckTaxes(item.Child("Taxes"), where, pay, true);
    if (const XmlNode* tags = item.Child("RawTLVAttributes")) {
      for (const XmlNode* tag : tags->ChildrenNamed("TLVBIN"))
        if (tag->Attr("Id") == "1162") CheckProductCode(tag->Attr("Value"), where);
      CheckAgentTags(*tags, where);
    }
    return pay;
  }

  void CheckTaxes(const XmlNode* taxes, const std::string& where, int64_t pay, bool withValue) {
    if (!taxes) return;
    int64_t taxSum = 0;
    for (const XmlNode* tax : taxes->ChildrenNamed("Tax")) {
      const int64_t index = NeedInteger(*tax, "TaxRateIndex", where + " tax");
      const int64_t rate = NeedInteger(*tax, "RateValue", where + " tax");
      if (!c_.Taxes.empty()) {
        auto known = c_.Taxes.find(int32_t(index));
        if (known == c_.Taxes.end())
          Refuse(kRefuseForm, where + ": tax index " + std::to_string(index) + " is not programmed");
        if (known->second != rate)
          Refuse(kRefuseAmounts, where + ": tax index " + std::to_string(index) + " has the rate " +
                                     std::to_string(known->second) + ", not " + std::to_string(rate));
      }
      if (!withValue || !tax->HasAttr("TaxValue")) continue;
      const int64_t value = NeedInteger(*tax, "TaxValue", where + " tax");
      taxes_[int32_t(index)] += value;
      if (value < 0 || value > pay)
        Refuse(kRefuseAmounts, where + ": tax " + Money(value) + " outside 0 .. " + Money(pay));
      if (c_.ExactTaxes && RoundDiv(pay * rate, 10000 + rate) != value)
        Refuse(kRefuseAmounts, where + ": tax " + Money(value) + " is not the rate's share " +
                                   Money(RoundDiv(pay * rate, 10000 + rate)) + " of " + Money(pay));
      taxSum += value;
    }
    if (taxSum > pay) Refuse(kRefuseAmounts, where + ": taxes " + Money(taxSum) + " exceed the amount " + Money(pay));
  }

  bool IsCash(int64_t type) const {
    return std::find(c_.CashTypes.begin(), c_.CashTypes.end(), int32_t(type)) != c_.CashTypes.end();
  }

  // Paid less change must be the total; change only in cash and not above
  // the cash paid; non-cash never above the total. Returns the net cash.
  int64_t CheckPayments(const XmlNode* payments, int64_t total) {
    if (!payments) Refuse(kRefuseForm, "Receipt/Payments is missing");
    int64_t paid = 0, change = 0, cash = 0, nonCash = 0;
    const std::vector<const XmlNode*> list = payments->ChildrenNamed("Payment");
    if (list.empty()) Refuse(kRefuseForm, "a receipt without payments");
    for (size_t i = 0; i < list.size(); ++i) {
      const std::string where = Where(*list[i], i);
      const int64_t type = NeedInteger(*list[i], "TypeIndex", where);
      const int64_t value = NeedInteger(*list[i], "Value", where);
      if (type < 0 || type > c_.MaxPayType) Refuse(kRefuseForm, where + ": payment type " + std::to_string(type) + " is unknown");
      if (value < 0) {
        if (!IsCash(type)) Refuse(kRefuseAmounts, where + ": change " + Money(-value) + " in a payment type without change");
        change -= value;
        payments_[int32_t(type)] += value;
      } else {
        payments_[int32_t(type)] += value;
        paid += value;
        (IsCash(type) ? cash : nonCash) += value;
      }
    }
    if (change > cash) Refuse(kRefuseAmounts, "change " + Money(change) + " exceeds the cash paid " + Money(cash));
    if (nonCash > total)
      Refuse(kRefuseAmounts, "non-cash payments " + Money(nonCash) + " exceed the receipt total " + Money(total));
    if (paid - change != total)
      Refuse(kRefuseAmounts, "payments " + Money(paid) + " less change " + Money(change) + " differ from the receipt total " +
                                 Money(total));
    return cash - change;
  }

  const Config& c_;
  uint64_t options_;
  std::map<int32_t, int64_t> payments_, taxes_;
};

// ---- the tape -------------------------------------------------------------

size_t Width(const std::string& utf8) {
  size_t n = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

// The first `count` characters of a UTF-8 text.
std::string Head(const std::string& utf8, size_t count) {
  size_t n = 0, i = 0;
  for (; i < utf8.size(); ++i) {
    if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) {
      if (n == count) break;
      ++n;
    }
  }
  return utf8.substr(0, i);
}

class Tape {
 public:
  void Line(const std::string& text) {
    std::string rest = text;
    do {
      std::string part = Head(rest, kWidth);
      out_ += part + "\n";
      rest.erase(0, part.size());
    } while (!rest.empty());
  }
  void Center(const std::string& text) {
    size_t w = Width(text);
    Line(std::string(w < kWidth ? (kWidth - w) / 2 : 0, ' ') + text);
  }
  // Label on the left, value on the right edge.
  void Pair(const std::string& label, const std::string& value) {
    size_t room = kWidth - std::min<size_t>(Width(value) + 1, kWidth);
    std::string left = Head(label, room);
    Line(left + std::string(kWidth - Width(left) - Width(value), ' ') + value);
  }
  void Rule(char c) { out_ += std::string(kWidth, c) + "\n"; }
  void TextLines(const XmlNode* unfiscal) {
    if (!unfiscal) return;
    for (const XmlNode& line : unfiscal->Children)
      if (line.HasAttr("Text")) Line(line.Attr("Text"));
  }
  std::string Text() const { return out_; }

 private:
  std::string out_;
};

std::string Title(const std::string& docType) {
  if (docType == "Receipt" || docType == "Invoice") return "ПРИХОД";
  if (docType == "ReturnReceipt" || docType == "Return" || docType == "Deletion") return "ВОЗВРАТ ПРИХОДА";
  if (docType == "ReturnDeletion") return "ПРИХОД (ОТМЕНА ВОЗВРАТА)";
  if (docType == "ReceiptCopy") return "КОПИЯ ЧЕКА";
  if (docType == "Bill") return "СЧЁТ";
  return docType;
}

std::string QuantityText(int64_t thousandths) {
  std::string text = std::to_string(thousandths / 1000) + "." + std::to_string(1000 + thousandths % 1000).substr(1);
  return text;
}

std::string DateText(time_t moment) {
  struct tm t = LocalTm(moment);
  char text[32];
  std::strftime(text, sizeof text, "%d.%m.%Y %H:%M", &t);
  return text;
}

}  // namespace

std::string Money(int64_t hundredths) {
  int64_t a = hundredths < 0 ? -hundredths : hundredths;
  std::string cents = std::to_string(100 + a % 100).substr(1);
  return (hundredths < 0 ? "-" : "") + std::to_string(a / 100) + "." + cents;
}

bool IsCheckedDocType(const std::string& docType) {
  for (const KindRule& k : kKinds)
    if (docType == k.DocType) return true;
  return false;
}

Verdict CheckFiscalDocument(const XmlNode& document, const Config& config, uint64_t options) {
  return Checker(config, options).Run(document);
}

std::string DocumentTape(const XmlNode& root, const DocumentSummary& summary, const TapeNumbers& numbers) {
  Tape tape;
  tape.Rule('=');
  const XmlNode* header = root.Child("Header");
  if (header) {
    if (const XmlNode* r = header->Child("Restaurant")) tape.Center(r->Attr("Name"));
    tape.TextLines(header->Child("Unfiscal"));
  }
  tape.Center(summary.Receipt ? "КАССОВЫЙ ЧЕК" : "НЕФИСКАЛЬНЫЙ ДОКУМЕНТ");
  tape.Center(Title(summary.DocType));
  const XmlNode* receipt = root.Child("Receipt");
  if (const XmlNode* order = receipt ? receipt->Child("Order") : nullptr)
    tape.Pair("Стол " + order->Attr("Table"), "Гостей " + order->Attr("Guests"));
  if (header)
    if (const XmlNode* op = header->Child("Operator")) tape.Line("Кассир " + op->Attr("Name"));
  tape.Rule('-');
  int64_t subtotal = 0;
  std::map<std::string, int64_t> taxes;
  const XmlNode* items = receipt ? receipt->Child("Items") : nullptr;
  for (const XmlNode* item : items ? items->ChildrenNamed("Item") : std::vector<const XmlNode*>()) {
    for (const XmlNode* u : item->ChildrenNamed("Unfiscal"))
      if (u->Attr("Position") == "Before") tape.TextLines(u);
    const int64_t quantity = std::atoll(item->Attr("Quantity").c_str());
    const int64_t value = std::atoll(item->Attr("Value").c_str());
    tape.Line(item->Attr("Name"));
    tape.Pair("  " + QuantityText(quantity) + " x " + Money(std::atoll(item->Attr("PricePerOne").c_str())),
              "=" + Money(value));
    int64_t pay = value;
    if (const XmlNode* discounts = item->Child("Discounts"))
      for (const XmlNode* d : discounts->ChildrenNamed("Discount")) {
        const int64_t amount = std::atoll(d->Attr("Value").c_str());
        pay += amount;
        tape.Pair(std::string("  ") + (amount < 0 ? "Скидка " : "Наценка ") + d->Attr("Name"),
                  (amount < 0 ? "" : "+") + Money(amount));
      }
    if (const XmlNode* t = item->Child("Taxes"))
      for (const XmlNode* tax : t->ChildrenNamed("Tax"))
        taxes["НДС " + Money(std::atoll(tax->Attr("RateValue").c_str())) + "%"] +=
            std::atoll(tax->Attr("TaxValue", "0").c_str());
    if (const XmlNode* tags = item->Child("RawTLVAttributes"))
      for (const XmlNode* tag : tags->ChildrenNamed("TLVBIN"))
        if (tag->Attr("Id") == "1162") tape.Line("  [М] " + tag->Attr("Value").substr(0, 4));
    for (const XmlNode* u : item->ChildrenNamed("Unfiscal"))
      if (u->Attr("Position") != "Before") tape.TextLines(u);
    subtotal += pay;
  }
  tape.Rule('-');
  const XmlNode* discounts = receipt ? receipt->Child("Discounts") : nullptr;
  if (discounts && !discounts->ChildrenNamed("Discount").empty()) {
    tape.Pair("ПОДЫТОГ", "=" + Money(subtotal));
    for (const XmlNode* d : discounts->ChildrenNamed("Discount")) {
      const int64_t amount = std::atoll(d->Attr("Value").c_str());
      tape.Pair(std::string(amount < 0 ? "Скидка " : "Наценка ") + d->Attr("Name"), (amount < 0 ? "" : "+") + Money(amount));
    }
  }
  tape.Pair("ИТОГ", "=" + Money(summary.Total));
  if (const XmlNode* payments = receipt ? receipt->Child("Payments") : nullptr)
    for (const XmlNode* p : payments->ChildrenNamed("Payment")) {
      const int64_t value = std::atoll(p->Attr("Value").c_str());
      if (value < 0) tape.Pair("СДАЧА", "=" + Money(-value));
      else tape.Pair(p->Attr("Name", "Оплата"), "=" + Money(value));
    }
  for (const auto& tax : taxes)
    if (tax.second) tape.Pair("в т.ч. " + tax.first, "=" + Money(tax.second));
  tape.TextLines(root.Path("Footer/Unfiscal"));
  tape.Rule('-');
  tape.Pair("СМЕНА " + std::to_string(numbers.Shift), summary.Receipt ? "ЧЕК " + std::to_string(numbers.Receipt) : "");
  tape.Pair("ФД " + std::to_string(numbers.Doc), DateText(numbers.Moment));
  tape.Rule('=');
  return tape.Text();
}

}  // namespace emu
