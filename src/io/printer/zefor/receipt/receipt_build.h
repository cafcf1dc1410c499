// The body of a receipt-like fiscal document: the elements that tie it to
// the order and to an earlier receipt (receipt_links.cpp), the items with
// their codes, modifiers, voids and text lines (receipt_items.cpp), and the
// discounts, taxes and payments (receipt_money.cpp). The builders read the
// prepared order (distribution lines, payment table, totals) and the POS
// data, and write into the document of a TFSXml.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "io/printer/discounts/discount_infos.h"
#include "io/printer/fiscreg/order_preparation.h"
#include "io/printer/fiscreg/order_state.h"
#include "io/printer/zefor/document/fs_xml.h"
#include "io/printer/zefor/receipt/uni_index.h"
#include "posdata/pdsource.h"

class TZefor;

// Everything one receipt build reads, and its working state.
struct tReceiptBuild {
  tReceiptBuild(TFSXml& xml, TZefor& reg, tOrderPreparation& preparation, tOrderPreparationState& order,
                TPDDataSource& data)
      : Xml(xml), Reg(reg), Preparation(preparation), Order(order), Data(data) {}

  TFSXml& Xml;
  TZefor& Reg;
  tOrderPreparation& Preparation;
  tOrderPreparationState& Order;
  TPDDataSource& Data;
  uint8_t PrintedKind = 0;
  uint8_t DocKind = 0;
  bool Reverse = false;
  // Tax index range and the zero-rate index.
  int32_t TaxMin = 1, TaxMax = 1, ZeroRateIndex = 0;
  // Text lines waiting to be printed between items.
  std::vector<std::string> Pending;
  // Totals of the prices before and after discounts.
  int64_t TotalBefore = 0, TotalAfter = 0;
  // The POS classification whose groups name the sellers of items sold for
  // others: -1 until asked (once per receipt), 0 when the POS has none.
  int64_t SellerClassification = -1;
  // The records of "Discounts", "Voids" and "Modifiers" by DishUNI, made on
  // first need.
  tUniIndex DiscountsByUni, VoidsByUni, ModifiersByUni;

  bool Has(uint64_t option) const;
  int32_t Protocol() const;
  tDiscountInfos& Infos() const { return *Order.DiscountInfos; }
  bool ValidTaxIndex(int32_t index) const { return index >= TaxMin && index <= TaxMax; }
};

namespace ReceiptBuild {

// ---- links to the order and to earlier receipts ----
// The invoice values kept for the rest of the call.
struct tInvoice {
  std::string Number, DateTime, Seller, RegNo, Name, Address, ExtraInfo, Comment;
};
bool AddInvoice(tReceiptBuild& b, tInvoice& invoice, bool withItems);
bool AddReturnLink(tReceiptBuild& b, uint8_t kind, const IXmlElement& parent);
bool AddReceipt(tReceiptBuild& b, int32_t number, const std::string& guid, bool lastBill, int64_t closeTime,
                const std::string& taxType);
bool AddOrder(tReceiptBuild& b, const std::string& table, int32_t guests, const std::string& guid,
              const std::string& seatName, int32_t seatNo, const std::string& waiterName, int32_t waiterId,
              int64_t startService);
bool AddDeletion(tReceiptBuild& b, uint8_t kind, int32_t managerId, const std::string& managerName, int64_t time);

// ---- items ----
bool AddItems(tReceiptBuild& b);
// The tags naming the seller of an item sold for someone else (POS object
// `kind`/`id`): agent kind, the seller's name, phone and taxpayer number.
void AddAgentData(tReceiptBuild& b, const IXmlElement& item, int32_t kind, int32_t id);
// The line "label ... amount" of the line width, amount at the right edge.
std::string PriceLine(const std::string& labelUtf8, int64_t amount, int32_t width);

// ---- discounts, taxes, payments ----
void AddItemDiscounts(tReceiptBuild& b, const IXmlElement& item, const iDishDiscountInfo& set);
// The sum of the entries of a set that AddItemDiscounts writes.
int64_t PrintedItemDiscounts(tReceiptBuild& b, const iDishDiscountInfo& set);
void AddItemDiscInfos(tReceiptBuild& b, const IXmlElement& item, const tFRDiscsDishInfo& line);
void AddItemTaxes(tReceiptBuild& b, const IXmlElement& item, const tDishTaxInfoArray& slots,
                  const std::vector<int64_t>* shares);
void AddDiscountTextLines(tReceiptBuild& b);
bool AddReceiptDiscounts(tReceiptBuild& b, int64_t rest);
bool AddPayments(tReceiptBuild& b);
bool AddPaymentsUngrouped(tReceiptBuild& b);
bool AddEmptyPayments(tReceiptBuild& b);
void MergeDiscounts(tReceiptBuild& b);

// The amount field of "Discounts": "FiscRegAmount", else "NationalAmount".
std::string DiscountAmountField(TPDDataSet& discounts);
// Two decimals: 1234 -> "12.34".
std::string AmountText(int64_t hundredths);

}  // namespace ReceiptBuild
