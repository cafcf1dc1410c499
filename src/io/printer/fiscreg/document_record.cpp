#include "io/printer/fiscreg/document_record.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "platform/platform.h"

namespace {

const char kHeader[] = "ZeforDocumentRecord";
const char kStep[] = "{DocumentRecord} ";

uint32_t Fnv32(const std::string& text) {
  uint32_t h = 2166136261u;
  for (unsigned char c : text) h = (h ^ c) * 16777619u;
  return h;
}

uint64_t Fnv64(uint64_t h, const char* data, size_t size) {
  for (size_t i = 0; i < size; ++i) h = (h ^ uint8_t(data[i])) * 1099511628211ull;
  return h;
}

// Blanks, control bytes, '%' and bytes above 0x7E as %XX: one word a field.
std::string Escaped(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c <= ' ' || c == '%' || c > 0x7E) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    } else {
      out += char(c);
    }
  }
  return out;
}

bool Unescaped(const std::string& word, std::string& out) {
  out.clear();
  for (size_t i = 0; i < word.size(); ++i) {
    if (word[i] != '%') {
      out += word[i];
      continue;
    }
    if (i + 2 >= word.size()) return false;
    char* end = nullptr;
    const std::string hex = word.substr(i + 1, 2);
    const long value = std::strtol(hex.c_str(), &end, 16);
    if (hex.size() != 2 || *end) return false;
    out += char(value);
    i += 2;
  }
  return true;
}

bool Number(const std::string& word, int32_t& out) {
  if (word.empty() || word.size() > 10) return false;
  char* end = nullptr;
  const long long value = std::strtoll(word.c_str(), &end, 10);
  if (*end || value < INT32_MIN || value > INT32_MAX) return false;
  out = int32_t(value);
  return true;
}

std::string Named(const tRecordEntry& e) { return "Kind " + std::to_string(e.Kind) + " " + e.Identity; }

}  // namespace

void tDocumentRecord::Bind(const std::string& logFileName, tJournal journal) {
  journal_ = std::move(journal);
  loaded_ = false;
  entries_.clear();
  path_.clear();
  if (logFileName.empty()) return;
  const size_t nameStart = [&] {
    size_t p = logFileName.find_last_of("/\\");
    return p == std::string::npos ? 0 : p + 1;
  }();
  const size_t dot = logFileName.rfind('.');
  path_ = (dot == std::string::npos || dot < nameStart ? logFileName : logFileName.substr(0, dot)) + ".wal";
}

std::string tDocumentRecord::Identity(const std::string& guid, int32_t subKind, const std::string& data) {
  bool usable = !guid.empty() && guid.size() <= kMaxTextField;
  for (unsigned char c : guid) usable = usable && c > ' ' && c <= 0x7E;
  if (usable) return guid;
  uint64_t h = 14695981039346656037ull;
  const std::string kind = std::to_string(subKind) + ":";
  h = Fnv64(h, kind.data(), kind.size());
  h = Fnv64(h, data.data(), data.size());
  char text[24];
  std::snprintf(text, sizeof text, "#%016llX", static_cast<unsigned long long>(h));
  return text;
}

std::string tDocumentRecord::Text(const std::vector<tRecordEntry>& entries) {
  std::string text = std::string(kHeader) + " " + std::to_string(kVersion) + "\n";
  for (const tRecordEntry& e : entries)
    text += std::string(e.Open ? "open" : "counted") + " " + std::to_string(e.Kind) + " " + std::to_string(e.DocNum) +
            " " + std::to_string(e.ReceiptNum) + " " + Escaped(e.Serial.empty() ? std::string("-") : e.Serial) + " " +
            Escaped(e.Identity) + "\n";
  char end[32];
  std::snprintf(end, sizeof end, "end %u %08X\n", unsigned(entries.size()), unsigned(Fnv32(text)));
  return text + end;
}

bool tDocumentRecord::Parse(const std::string& text, std::vector<tRecordEntry>& entries, std::string& reason) {
  entries.clear();
  const size_t endAt = text.rfind("end ");
  if (text.compare(0, sizeof kHeader, std::string(kHeader) + " ") != 0) return reason = "no header", false;
  if (endAt == std::string::npos || (endAt > 0 && text[endAt - 1] != '\n')) return reason = "no end line", false;
  std::istringstream lines(text.substr(0, endAt));
  std::string line, word;
  std::getline(lines, line);
  if (line != std::string(kHeader) + " " + std::to_string(kVersion)) return reason = "version " + line.substr(sizeof kHeader), false;
  size_t open = 0;
  while (std::getline(lines, line)) {
    std::istringstream in(line);
    std::string state, kind, doc, receipt, serial, identity, extra;
    in >> state >> kind >> doc >> receipt >> serial >> identity;
    tRecordEntry e;
    e.Open = state == "open";
    if ((state != "open" && state != "counted") || (in >> extra) || !Number(kind, e.Kind) || !Number(doc, e.DocNum) ||
        !Number(receipt, e.ReceiptNum) || !Unescaped(serial, e.Serial) || !Unescaped(identity, e.Identity) ||
        e.Identity.empty())
      return reason = "bad entry \"" + line + "\"", false;
    if (e.Serial == "-") e.Serial.clear();
    open += e.Open ? 1 : 0;
    entries.push_back(e);
  }
  char end[32];
  std::snprintf(end, sizeof end, "end %u %08X\n", unsigned(entries.size()), unsigned(Fnv32(text.substr(0, endAt))));
  if (text.substr(endAt) != end) return reason = "bad end line", false;
  if (open > 1 || (open == 1 && !entries.back().Open) || entries.size() > kMaxCounted + 1)
    return reason = "entries out of order", false;
  return true;
}

void tDocumentRecord::Load() {
  if (loaded_ || path_.empty()) return;
  loaded_ = true;
  entries_.clear();
  if (!platform::FileExists(path_)) return;
  std::string text, reason;
  const int64_t size = platform::FileSize(path_);
  if (size > kMaxFileSize) reason = "larger than " + std::to_string(kMaxFileSize) + " bytes";
  else if (!platform::ReadWholeFile(path_, text)) reason = "cannot be read";
  else if (Parse(text, entries_, reason)) return;
  entries_.clear();
  Line(std::string(kStep) + path_ + " is damaged (" + reason + "); a fresh record is started");
  Store();
}

bool tDocumentRecord::Store() {
  if (platform::ReplaceWholeFile(path_, Text(entries_), true)) return true;
  Line(std::string(kStep) + "Cannot write " + path_);
  return false;
}

const tRecordEntry* tDocumentRecord::Unsettled() {
  Load();
  return !entries_.empty() && entries_.back().Open ? &entries_.back() : nullptr;
}

void tDocumentRecord::Settle(const std::string& serial, int32_t docNum, int32_t receiptNum) {
  if (!Unsettled()) return;
  tRecordEntry e = entries_.back();
  entries_.pop_back();
  answered_ = false;
  if (e.Serial != serial) {
    Line(kStep + Named(e) + " of an unfinished call went to register " + e.Serial + ", this is " + serial +
         "; it is dropped");
  } else if (docNum > e.DocNum || receiptNum > e.ReceiptNum) {
    Line(kStep + Named(e) + " of an unfinished call was counted by the register: DocNum " + std::to_string(e.DocNum) +
         " -> " + std::to_string(docNum) + ", ReceiptNum " + std::to_string(e.ReceiptNum) + " -> " +
         std::to_string(receiptNum));
    e.Open = false;
    e.DocNum = docNum;
    e.ReceiptNum = receiptNum;
    entries_.push_back(e);
    if (entries_.size() > kMaxCounted) entries_.erase(entries_.begin());
  } else {
    Line(kStep + Named(e) + " of an unfinished call was not counted by the register (DocNum " +
         std::to_string(docNum) + ", ReceiptNum " + std::to_string(receiptNum) + ")");
  }
  Store();
}

bool tDocumentRecord::HasCounted(int32_t kind, const std::string& identity) {
  Load();
  for (const tRecordEntry& e : entries_)
    if (!e.Open && e.Kind == kind && e.Identity == identity) return true;
  return false;
}

bool tDocumentRecord::TakeCounted(const std::string& serial, int32_t kind, const std::string& identity,
                                  tRecordEntry& out) {
  Load();
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->Open || it->Kind != kind || it->Identity != identity || it->Serial != serial) continue;
    out = *it;
    entries_.erase(it);
    Line(kStep + Named(out) + " is printed already (DocNum " + std::to_string(out.DocNum) + ", ReceiptNum " +
         std::to_string(out.ReceiptNum) + "); it is not sent again");
    Store();
    return true;
  }
  return false;
}

bool tDocumentRecord::Open(const std::string& serial, int32_t kind, const std::string& identity, int32_t docNum,
                           int32_t receiptNum) {
  if (path_.empty()) return false;
  Load();
  if (!entries_.empty() && entries_.back().Open) entries_.pop_back();
  answered_ = false;
  tRecordEntry e;
  e.Open = true;
  e.Serial = serial.substr(0, kMaxTextField);
  e.Kind = kind;
  e.Identity = identity;
  e.DocNum = docNum;
  e.ReceiptNum = receiptNum;
  entries_.push_back(e);
  if (Store()) return true;
  entries_.pop_back();
  return false;
}

void tDocumentRecord::Answered() { answered_ = Unsettled() != nullptr; }

void tDocumentRecord::CloseAnswered() {
  if (!answered_) return;
  answered_ = false;
  if (!Unsettled()) return;
  entries_.pop_back();
  Store();
}
