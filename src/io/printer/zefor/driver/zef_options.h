// The driver's option set: 64 bits, bit n = option n, named as the driver
// names them in its init reply; each set option adds a capability flag that
// the POS reads with NewGetFlags.
#pragma once
#include <cstdint>
#include <string>

namespace ZefOptions {

struct tOptionRow {
  uint32_t MaskLow;   // the option's bit as two 32-bit halves
  uint32_t MaskHigh;
  uint32_t PosFlag;   // capability flag, 0 = none
  const char* Name;
};

constexpr int kOptionCount = 50;

#define ZEF_OPTION(bit, name, flag) \
  tOptionRow { (bit) < 32 ? (1u << ((bit) & 31)) : 0u, (bit) >= 32 ? (1u << ((bit) & 31)) : 0u, flag, name }

// Walked in this order by every conversion.
constexpr tOptionRow kOptionTable[kOptionCount] = {
    ZEF_OPTION(0, "foText", 0x1),
    ZEF_OPTION(1, "foZeroReceipt", 0),
    ZEF_OPTION(2, "foDeleteReceipt", 0x8004),
    ZEF_OPTION(3, "foZReport", 0x8),
    ZEF_OPTION(4, "foMoneyInOut", 0x10),
    ZEF_OPTION(5, "foXReport", 0x20),
    ZEF_OPTION(6, "foSpecialReport", 0x40),
    ZEF_OPTION(7, "foZeroSale", 0),
    ZEF_OPTION(8, "foProgram", 0x100),
    ZEF_OPTION(9, "foFullLastShift", 0x200),
    ZEF_OPTION(10, "foAllMoneyOut", 0x400),
    ZEF_OPTION(11, "foTextInReceipt", 0x800),
    ZEF_OPTION(12, "foBarCodeInNotFisc", 0x1000),
    ZEF_OPTION(13, "foZClearMoney", 0x2000),
    ZEF_OPTION(14, "foCheckCopy", 0x4000),
    ZEF_OPTION(15, "foTextInLine", 0),
    ZEF_OPTION(16, "foItemDepartments", 0),
    ZEF_OPTION(17, "foOnlyFixed", 0),
    ZEF_OPTION(18, "foTextOpenShift", 0x400000),
    ZEF_OPTION(19, "foDrawerOpen", 0),
    ZEF_OPTION(20, "foDrawerState", 0),
    ZEF_OPTION(21, "foCustomerDisplay", 0),
    ZEF_OPTION(22, "foSlip", 0),
    ZEF_OPTION(23, "foCalcChange", 0),
    ZEF_OPTION(24, "foZWhenClosedShift", 0),
    ZEF_OPTION(25, "foAbsDiscountSum", 0),
    ZEF_OPTION(26, "foFiscInvoice", 0),
    ZEF_OPTION(27, "foCashRegValue", 0),
    ZEF_OPTION(28, "foFixedNames", 0),
    ZEF_OPTION(29, "foDeleteReturn", 0x10000),
    ZEF_OPTION(30, "foDiscWithTaxes", 0),
    ZEF_OPTION(31, "foCanIgnoreTaxes", 0),
    ZEF_OPTION(32, "foAbsItemDiscount", 0),
    ZEF_OPTION(33, "foAbsItemMarkup", 0),
    ZEF_OPTION(34, "foAbsMarkupSum", 0),
    ZEF_OPTION(35, "foMaxOneMarkupDiscount", 0),
    ZEF_OPTION(36, "foBill", 0x220000),
    ZEF_OPTION(37, "foCreateCloseOrder", 0x940000),
    ZEF_OPTION(38, "foCorrection", 0xC0000),
    ZEF_OPTION(39, "foReturnReceipt", 0x8004),
    ZEF_OPTION(40, "foPayUngrouped", 0),
    ZEF_OPTION(41, "foLogger", 0),
    ZEF_OPTION(42, "foWorkWithoutPaper", 0),
    ZEF_OPTION(43, "foCorrectPriceToPay", 0),
    ZEF_OPTION(44, "foRoundDiscountOnly", 0),
    ZEF_OPTION(45, "foCorrectionReceipt", 0),
    ZEF_OPTION(46, "foManyCashInOutPayments", 0x400),
    ZEF_OPTION(47, "foOpenShiftReport", 0),
    ZEF_OPTION(48, "foCancelOrder", 0x1000000),
    ZEF_OPTION(49, "foCancelBill", 0x200000),
};
#undef ZEF_OPTION

constexpr uint64_t RowMask(const tOptionRow& row) { return (uint64_t(row.MaskHigh) << 32) | row.MaskLow; }

// The bit of a named option (from its row); 0 for an unknown name.
constexpr uint64_t Bit(int index) { return uint64_t(1) << index; }
constexpr uint64_t foText = Bit(0), foZeroReceipt = Bit(1), foDeleteReceipt = Bit(2), foZReport = Bit(3),
                   foMoneyInOut = Bit(4), foXReport = Bit(5), foSpecialReport = Bit(6), foZeroSale = Bit(7),
                   foProgram = Bit(8), foFullLastShift = Bit(9), foAllMoneyOut = Bit(10),
                   foTextInReceipt = Bit(11), foBarCodeInNotFisc = Bit(12), foZClearMoney = Bit(13),
                   foCheckCopy = Bit(14), foTextInLine = Bit(15), foItemDepartments = Bit(16),
                   foOnlyFixed = Bit(17), foTextOpenShift = Bit(18), foDrawerOpen = Bit(19),
                   foDrawerState = Bit(20), foCustomerDisplay = Bit(21), foSlip = Bit(22), foCalcChange = Bit(23),
                   foZWhenClosedShift = Bit(24), foAbsDiscountSum = Bit(25), foFiscInvoice = Bit(26),
                   foCashRegValue = Bit(27), foFixedNames = Bit(28), foDeleteReturn = Bit(29),
                   foDiscWithTaxes = Bit(30), foCanIgnoreTaxes = Bit(31), foAbsItemDiscount = Bit(32),
                   foAbsItemMarkup = Bit(33), foAbsMarkupSum = Bit(34), foMaxOneMarkupDiscount = Bit(35),
                   foBill = Bit(36), foCreateCloseOrder = Bit(37), foCorrection = Bit(38),
                   foReturnReceipt = Bit(39), foPayUngrouped = Bit(40), foLogger = Bit(41),
                   foWorkWithoutPaper = Bit(42), foCorrectPriceToPay = Bit(43), foRoundDiscountOnly = Bit(44),
                   foCorrectionReceipt = Bit(45), foManyCashInOutPayments = Bit(46), foOpenShiftReport = Bit(47),
                   foCancelOrder = Bit(48), foCancelBill = Bit(49);

// Capability flag that a driver exporting ZefFiscalDocument starts from.
constexpr uint32_t kFiscalDocumentFlags = 0x82;

// The option mask of a name, false when the name is no option.
bool Find(const std::string& name, uint64_t& mask);
// The OR of the capability flags of every set option.
uint32_t PosFlags(uint64_t options);
// Names of the set options joined by ", ".
std::string Names(uint64_t options);

}  // namespace ZefOptions
