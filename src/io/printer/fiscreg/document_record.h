// The write-ahead record of a fiscal register's documents: before a
// counted document goes to the register, its kind, identity and the
// register's counters are put on the disk beside the device log; after the
// answer is known the entry is closed. An entry still open when a call
// begins belongs to a call that never ended (the process died): the
// register's counters then tell whether that document was counted, and a
// counted one is answered from the record instead of being printed again.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct tRecordEntry {
  bool Open = false;      // sent, outcome unknown; otherwise counted
  std::string Serial;     // the register's serial number
  int32_t Kind = 0;       // the POS's document kind
  std::string Identity;   // the document's GUID, or a digest of its data
  int32_t DocNum = 0;     // counters before (open) or after (counted)
  int32_t ReceiptNum = 0;
};

class tDocumentRecord {
 public:
  static constexpr int kVersion = 1;
  // Counted documents whose answer was lost, kept for their retry.
  static constexpr size_t kMaxCounted = 16;
  static constexpr int64_t kMaxFileSize = 16384;
  static constexpr size_t kMaxTextField = 64;

  using tJournal = std::function<void(const std::string& line)>;

  // The record belongs beside this device log ("dev1.log": "dev1.wal");
  // no log, no record.
  void Bind(const std::string& logFileName, tJournal journal);
  const std::string& Path() const { return path_; }
  bool Active() const { return !path_.empty(); }

  // The identity of a document: its GUID when it has a usable one, else a
  // digest of the POS's data for it.
  static std::string Identity(const std::string& guid, int32_t subKind, const std::string& data);

  // The entry left open by a call that never ended, if any.
  const tRecordEntry* Unsettled();
  // Settles it with the register's serial and counters now: counted when a
  // counter grew, dropped when not or when it was another register.
  void Settle(const std::string& serial, int32_t docNum, int32_t receiptNum);
  bool HasCounted(int32_t kind, const std::string& identity);
  // A counted entry of this kind and identity on this register: taken out
  // of the record and returned.
  bool TakeCounted(const std::string& serial, int32_t kind, const std::string& identity, tRecordEntry& out);
  // Before the document goes to the register. False when it could not be
  // put on the disk (said in the journal; the document goes all the same).
  bool Open(const std::string& serial, int32_t kind, const std::string& identity, int32_t docNum, int32_t receiptNum);
  // The answer is known; the open entry goes with CloseAnswered, the last
  // step before the POS hears it. Until then a process that dies leaves
  // the entry open, and the counters settle it.
  void Answered();
  void CloseAnswered();

  // The file's text for these entries, and its reading; false with the
  // reason when the text is not a record of this version.
  static std::string Text(const std::vector<tRecordEntry>& entries);
  static bool Parse(const std::string& text, std::vector<tRecordEntry>& entries, std::string& reason);

 private:
  void Load();
  bool Store();
  void Line(const std::string& text) {
    if (journal_) journal_(text);
  }

  std::string path_;
  tJournal journal_;
  bool loaded_ = false;
  bool answered_ = false;  // the open entry's answer is known
  std::vector<tRecordEntry> entries_;  // the open entry, if any, is last
};
