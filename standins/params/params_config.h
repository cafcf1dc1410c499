// The configuration of the parameter service stand-in, read from a plain
// text file (format in README.md). Property values of "[ref]" sections take
// the escapes \t, \n, \r and \\ (tab, line feed, carriage return,
// backslash), so that one line can hold a multi-line value such as a
// dish's barcode list; any other backslash stays as written.
#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

struct ParamEntry {
  std::string text;
  uint32_t value = 0;
  bool hasValue = false;
  bool blob = false;
  std::string blobBytes;
};

struct DeviceKey {
  std::string module;  // "*" = any module
  int32_t number;
  bool operator<(const DeviceKey& o) const {
    return module != o.module ? module < o.module : number < o.number;
  }
};

struct Answers {
  std::vector<int32_t> messages;   // answers to messages, in order; the last repeats
  std::vector<int32_t> questions;
  size_t nextMessage = 0, nextQuestion = 0;
  bool recordForm = true;          // false: answer only the older -2/-3 requests
  std::string input;               // text answered to input boxes
  bool hasInput = false;
};

// One object of the POS object model ("[object CLASS ID]").
struct PosObjectEntry {
  int32_t objectClass = 0;
  int32_t id = 0;
  int32_t parent = 0;                      // the object whose child this one is
  std::string name;
  std::map<std::string, int64_t> props;    // integer properties, 32 or 64 bits
  std::map<std::string, std::string> texts;  // text properties ("GUIDString")
  bool hasInterface = true;                // "interface = none": not available as an interface
};

struct ParamsConfig {
  std::map<DeviceKey, std::map<int32_t, ParamEntry>> devices;
  std::map<DeviceKey, Answers> answers;
  std::map<std::string, std::string> translations;
  std::map<std::string, uint32_t> values;                 // "*IntCallback" and the like
  std::map<std::string, std::string> systemValues;        // "#SYS#ThisStationIdent" and the like
  std::vector<int32_t> knownKinds;                        // "*_RefProp#" mode 0
  std::map<int32_t, std::map<int32_t, std::string>> refNames;   // kind -> id -> name
  std::map<int32_t, std::map<std::string, std::string>> refProps;  // kind -> "id.path" -> value
  std::string requestLog;                                  // file that receives the asked texts
  std::vector<PosObjectEntry> objects;                     // the POS object model, in file order
  std::map<std::string, int32_t> hostValues;               // integer host values ("[host]")
  std::map<std::string, std::string> printers;             // POS printer name -> file of its PRN output
  std::string xmlAnswer;                                   // what the host's ExecXML answers
  bool hasXml = false;

  // Whether "*IntCallback" hands out the host interface of the stand-in.
  bool HasHost() const {
    return !objects.empty() || !hostValues.empty() || !systemValues.empty() || !printers.empty() || hasXml;
  }

  // Parses a configuration text; `baseDir` resolves "@file" blobs.
  static ParamsConfig Parse(const std::string& text, const std::string& baseDir, std::string& error);
};

// The loaded configuration and its lock (params.cpp).
std::recursive_mutex& ConfigLock();
const ParamsConfig& CurrentConfig();
// The address of the host callback interface over the configured object
// model (params_objects.cpp).
uint32_t PosCallbackAddress();
// Appends a line to the request log (params.cpp).
void LogRequest(const std::string& line);
// Counts a request of the host's callback services made outside a trusted
// task of the task library (params.cpp).
void CheckTrusted();
