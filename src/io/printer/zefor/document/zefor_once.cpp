// Documents the register counts, printed exactly once: the write-ahead
// record around each one, the settling of a call that never ended, and the
// cash documents settled from the counters after a failure the register
// counted all the same.
#include "io/printer/zefor/document/fs_xml.h"
#include "io/printer/zefor/document/saved_error.h"
#include "io/printer/zefor/status/zef_status_text.h"
#include "io/printer/zefor/zefor.h"
#include "standart/format.h"
#include "standart/host_params.h"

using namespace ZefStatus;

bool TZefor::ReadRecordCounters(tRecordCounters& now, uint32_t extraMask, TZefStatus* status) {
  TZefStatus read{};
  const uint32_t mask = fnSerialNumber | fnLastDocNum | fnLastReceiptNum | extraMask;
  if (!CreateResult(ReadStatus(read, mask), "ZefGetStatus")) return false;
  now.Serial = SerialNumber(read);
  now.Doc = read.LastDocNum;
  now.Receipt = read.LastReceiptNum;
  if (status) *status = read;
  return true;
}

bool TZefor::SettleRecord() {
  if (!Record.Unsettled()) return true;
  tRecordCounters now;
  if (!ReadRecordCounters(now)) return false;
  Record.Settle(now.Serial, now.Doc, now.Receipt);
  return true;
}

bool TZefor::BeginCountedDocument(int32_t kind, const std::string& identity, bool& printed) {
  printed = false;
  if (!Record.Active() || identity.empty()) return true;
  if (!SettleRecord()) return false;
  if (!Record.HasCounted(kind, identity)) return true;
  tRecordCounters now;
  if (!ReadRecordCounters(now)) return false;
  tRecordEntry entry;
  if (!Record.TakeCounted(now.Serial, kind, identity, entry)) return true;
  LastStateInfo.DocNum = entry.DocNum;
  LastStateInfo.CheckNum = entry.ReceiptNum;
  printed = true;
  return true;
}

std::string TZefor::DocumentIdentity(const TFiscDocInfo& doc, const std::string& guid) {
  return tDocumentRecord::Identity(guid, doc.SubType, DataBlock(doc));
}

// The counters before are read here (the serial number with them), the
// document goes on the record, and after the answer the counters tell
// whether a failed document was counted: then it is printed, and the POS
// must hear so, or it sends the money again. When they cannot be read the
// record stays open, and the POS's retry settles it.
bool TZefor::SendCountedCashDocument(TFSXml& xml, const char* step, int32_t kind, const std::string& identity) {
  tRecordCounters before, after;
  if (!ReadRecordCounters(before, fnOFDStatus)) return false;
  const bool recorded = !identity.empty() && Record.Open(before.Serial, kind, identity, before.Doc, before.Receipt);
  TZefStatus status{};
  int32_t filled = 0;
  const bool sent = SendDocument(xml, status, filled, false);
  const tSavedError error(*this);
  TZefStatus read{};
  if (!ReadRecordCounters(after, fnOFDStatus, &read)) {
    if (sent && recorded) Record.Answered();
    if (!sent) error.Restore(*this);
    return sent;
  }
  LastStateInfo.DocNum = after.Doc;
  LastStateInfo.CheckNum = after.Receipt;
  LastStateInfo.OFDUnsentCount = read.OFDUnsentCount;
  LastStateInfo.OFDOldestUnsent = read.OFDOldestUnsent;
  if (recorded) Record.Answered();
  if (sent) return true;
  if (after.Doc > before.Doc) {
    Journal.Write(0, Fmt("{%s} [%s], %s = %s, %s = %s, %s", step, "КТ-103 [WARNING]", "sReceiptInfo.DocNum__After",
                         std::to_string(after.Doc), "sReceiptInfo.DocNum__Before", std::to_string(before.Doc),
                         HostParams::Translate("Error during printing of a check, but the counter fiscal documents "
                                               "has changed")));
    return true;
  }
  error.Restore(*this);
  return false;
}
