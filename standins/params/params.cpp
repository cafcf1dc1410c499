// Stand-in of the POS parameter service: answers GetParamValue from a plain
// text configuration (PARAMS_CONFIG, else params.cfg next to this library).
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "params_config.h"
#include "platform/abi.h"
#include "platform/platform.h"

namespace {

constexpr int32_t kPortHost = -1;
constexpr int32_t kMessage = -2, kQuestion = -3, kProgress = -4, kMenu = -8;
constexpr int32_t kInputOld = -10, kInputOlder = -11, kMessageRecord = -12, kInputRecord = -13;
constexpr size_t kAnswerOffset = 783, kKindOffset = 4, kTextOffset = 5;
constexpr size_t kTypeOffset = 773, kButtonsOffset = 775, kWaitOffset = 779;
constexpr uint16_t kButtonOk = 4;
// The input box record of service -13.
constexpr size_t kInputPrompt = 4, kInputCaption = 260, kInputNumeric = 1028, kInputOK = 1029, kInputResult = 1030,
                 kInputLimit = 1286;

std::recursive_mutex g_lock;


ParamsConfig g_config;
bool g_loaded = false;
int32_t g_untrusted = 0;  // requests of the callback services from plain threads
std::string g_error;

std::string ShortString(const uint8_t* s) { return s ? std::string(reinterpret_cast<const char*>(s + 1), s[0]) : ""; }

void PutShortString(uint8_t* target, int32_t capacity, const std::string& text) {
  if (!target) return;
  size_t n = std::min<size_t>(text.size(), capacity > 255 || capacity < 0 ? 255 : size_t(capacity));
  target[0] = uint8_t(n);
  std::memcpy(target + 1, text.data(), n);
}

void ForgetMenu();

void LoadFrom(const std::string& path) {
  std::string text;
  g_error.clear();
  g_config = ParamsConfig();
  ForgetMenu();  // a new configuration is a new POS: no menu entries yet, nothing counted
  g_untrusted = 0;
  if (!path.empty() && platform::ReadWholeFile(path, text))
    g_config = ParamsConfig::Parse(text, platform::DirectoryOf(path), g_error);
  g_loaded = true;
}

void EnsureLoaded() {
  if (g_loaded) return;
  std::string path = platform::GetEnv("PARAMS_CONFIG");
  if (path.empty()) path = platform::DirectoryOf(platform::ModulePathOf(reinterpret_cast<const void*>(&LoadFrom))) + "params.cfg";
  LoadFrom(path);
}

using TIsInTrustedThread = uint8_t(ZEF_STDCALL*)();

}  // namespace

void LogRequest(const std::string& line) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  if (!g_config.requestLog.empty()) platform::AppendToFile(g_config.requestLog, line + "\n");
}

// The POS serves its dialogs and objects only to trusted tasks.
void CheckTrusted() {
  auto library = platform::FindLoadedLibrary(platform::LibraryFileName("tarvel32"));
  auto trusted = library ? reinterpret_cast<TIsInTrustedThread>(platform::FindFunction(library, "IsInTrustedThread"))
                         : nullptr;
  if (trusted && !trusted()) {
    std::lock_guard<std::recursive_mutex> lock(g_lock);
    ++g_untrusted;
  }
}

namespace {

// Menu entries registered through service -8: the record addresses in
// registration order; handle n is entry n - 1.
using TMenuProc = void(ZEF_STDCALL*)(void* record, const char* answer, char* buffer);
constexpr size_t kMenuHandle = 4, kMenuParent = 8, kMenuProc = 12, kMenuPurposeToLock = 20, kMenuCaption = 24,
                 kMenuDialog = 108, kMenuDialogCaption = 112, kMenuUserRight = 372;
std::vector<uint8_t*> g_menu;

void ForgetMenu() { g_menu.clear(); }

int32_t Int32At(const uint8_t* record, size_t offset) {
  int32_t v;
  std::memcpy(&v, record + offset, 4);
  return v;
}

// The line of a registered entry: caption, parent, handle, dialog type (with
// the dialog caption in brackets when there is one), command or submenu, and
// the identifiers of the object to lock and the user right when set.
std::string MenuLine(const uint8_t* record, int32_t handle) {
  std::string line = "MENU " + ShortString(record + kMenuCaption) + " parent=" +
                     std::to_string(Int32At(record, kMenuParent)) + " handle=" + std::to_string(handle) +
                     " dialog=" + std::to_string(Int32At(record, kMenuDialog));
  if (record[kMenuDialogCaption]) line += " [" + ShortString(record + kMenuDialogCaption) + "]";
  line += Int32At(record, kMenuProc) ? " command" : " submenu";
  if (int32_t lock = Int32At(record, kMenuPurposeToLock)) line += " lock=" + std::to_string(lock);
  if (int32_t right = Int32At(record, kMenuUserRight)) line += " right=" + std::to_string(right);
  return line;
}

bool RegisterMenu(uint32_t* value) {
  if (!value || !*value) return false;
  uint8_t* record = reinterpret_cast<uint8_t*>(uintptr_t(*value));
  g_menu.push_back(record);
  int32_t handle = int32_t(g_menu.size());
  std::memcpy(record + kMenuHandle, &handle, 4);
  LogRequest(MenuLine(record, handle));
  return true;
}

template <class Map>
auto FindDevice(Map& map, const std::string& module, int32_t number) -> decltype(&map.begin()->second) {
  auto it = map.find(DeviceKey{module, number});
  if (it == map.end()) it = map.find(DeviceKey{"*", number});
  return it == map.end() ? nullptr : &it->second;
}

int32_t NextAnswer(std::vector<int32_t>& list, size_t& next) {
  if (list.empty()) return -1;
  int32_t a = list[std::min(next, list.size() - 1)];
  ++next;
  return a;
}

// The dialog type, buttons and wait value of a dialog the driver or the menu
// asked for. The register's own operator messages and questions (type 1,
// wait -1, the OK button for messages only) get no details.
std::string DialogDetails(const uint8_t* record) {
  const uint8_t type = record[kTypeOffset];
  uint16_t buttons;
  std::memcpy(&buttons, record + kButtonsOffset, 2);
  const int32_t wait = Int32At(record, kWaitOffset);
  const bool message = record[kKindOffset] == 0;
  if (type == 1 && wait == -1 && (buttons == kButtonOk) == message) return std::string();
  return " (type " + std::to_string(type) + ", buttons " + std::to_string(buttons) + ", wait " + std::to_string(wait) +
         ")";
}

bool OperatorMessage(const std::string& module, int32_t number, int32_t index, uint32_t* value, const uint8_t* text) {
  Answers* a = FindDevice(g_config.answers, module, number);
  if (!a || !value) return false;
  if (index == kMessageRecord) {
    if (!a->recordForm) return false;
    uint8_t* record = reinterpret_cast<uint8_t*>(uintptr_t(*value));
    if (!record) return false;
    bool question = record[kKindOffset] == 1;
    int32_t answer = question ? NextAnswer(a->questions, a->nextQuestion) : NextAnswer(a->messages, a->nextMessage);
    LogRequest(std::string(question ? "QUESTION " : "MESSAGE ") + ShortString(record + kTextOffset) + " -> " +
               std::to_string(answer) + DialogDetails(record));
    if (answer < 0) return false;
    std::memcpy(record + kAnswerOffset, &answer, 4);
    return true;
  }
  bool question = index == kQuestion;
  int32_t answer = question ? NextAnswer(a->questions, a->nextQuestion) : NextAnswer(a->messages, a->nextMessage);
  // The value cell comes with 2048 plus the button code.
  LogRequest(std::string(question ? "QUESTION(legacy) -> " : "MESSAGE(legacy) -> ") + std::to_string(answer) + " [" +
             ShortString(text) + "] buttons " + std::to_string(*value & 0x7FFu));
  if (answer < 0) return false;
  *value = uint32_t(answer);
  return true;
}

bool DeviceRequest(const std::string& module, int32_t number, int32_t index, uint32_t* value, uint8_t* text,
                   int32_t textSize) {
  if (index == kMessageRecord || index == kMessage || index == kQuestion)
    return OperatorMessage(module, number, index, value, text);
  if (index == kMessageRecord || index == kInputRecord || index == kProgress) CheckTrusted();
  // Input boxes of a device with answers are logged, answered or not.
  if (index == kInputRecord) {
    Answers* a = FindDevice(g_config.answers, module, number);
    if (!a || !value || !*value) return false;
    uint8_t* record = reinterpret_cast<uint8_t*>(uintptr_t(*value));
    LogRequest("INPUT " + ShortString(record + kInputPrompt) + " [" + ShortString(record + kInputCaption) + "] " +
               (record[kInputNumeric] == 0 ? "numeric" : "text") + " limit " +
               std::to_string(Int32At(record, kInputLimit)) + " -> " + (a->hasInput ? a->input : "no answer"));
    if (!a->hasInput) return false;
    record[kInputOK] = 1;
    PutShortString(record + kInputResult, 255, a->input);
    return true;
  }
  if (index == kInputOlder || index == kInputOld) {
    Answers* a = FindDevice(g_config.answers, module, number);
    if (!a) return false;
    LogRequest(std::string(index == kInputOlder ? "INPUT(legacy numeric) " : "INPUT(legacy text) ") +
               ShortString(text) + " limit " + std::to_string(value ? int32_t(*value) : 0) + " -> " +
               (a->hasInput ? a->input : "no answer"));
    if (!a->hasInput) return false;
    PutShortString(text, textSize, a->input);
    return true;
  }
  if (index == kMenu) return RegisterMenu(value);
  if (index == kProgress) {
    LogRequest("PROGRESS " + ShortString(text) + " of " + std::to_string(value ? *value : 0));
    return true;
  }
  auto* params = FindDevice(g_config.devices, module, number);
  if (!params) return false;
  auto it = params->find(index);
  if (it == params->end()) return false;
  const ParamEntry& e = it->second;
  if (e.blob) {
    // A blob comes as a marker byte and a 4-byte length in the text, the
    // bytes at the address stored in the value cell.
    if (text) {
      uint32_t length = uint32_t(e.blobBytes.size());
      text[0] = 5;
      text[1] = 0x01;
      std::memcpy(text + 2, &length, 4);
    }
    if (value) *value = uint32_t(uintptr_t(e.blobBytes.data()));
    return true;
  }
  PutShortString(text, textSize, e.text);
  if (value) *value = e.value;
  return true;
}

bool RefRequest(const std::string& name, int32_t number, int32_t kind, uint32_t* value, uint8_t* text,
                int32_t textSize) {
  if (name == "*_RefProp#" && number == 0) {
    for (int32_t k : g_config.knownKinds)
      if (k == kind) return true;
    return false;
  }
  if (!value) return false;
  CheckTrusted();
  int32_t id = int32_t(*value);
  if (name == "*_RefName#") {
    auto kindIt = g_config.refNames.find(kind);
    if (kindIt == g_config.refNames.end() || !kindIt->second.count(id)) return false;
    PutShortString(text, textSize, kindIt->second[id]);
    return true;
  }
  auto kindIt = g_config.refProps.find(kind);
  if (kindIt == g_config.refProps.end()) return false;
  auto it = kindIt->second.find(std::to_string(id) + "." + ShortString(text));
  if (it == kindIt->second.end()) return false;
  PutShortString(text, textSize, it->second);
  return true;
}

}  // namespace

std::recursive_mutex& ConfigLock() { return g_lock; }
const ParamsConfig& CurrentConfig() {
  EnsureLoaded();
  return g_config;
}

extern "C" {

ZEF_EXPORT uint8_t ZEF_STDCALL GetParamValue(const uint8_t* name, int32_t number, int32_t index, uint32_t* value,
                                             uint8_t* text, int32_t textSize) {
  try {
    std::lock_guard<std::recursive_mutex> lock(g_lock);
    EnsureLoaded();
    std::string n = ShortString(name);
    if (n == "*Translate") {
      auto it = g_config.translations.find(ShortString(text));
      if (it == g_config.translations.end()) return 0;
      PutShortString(text, textSize, it->second);
      return 1;
    }
    if (n == "*_RefProp#" || n == "*_RefName#") return RefRequest(n, number, index, value, text, textSize);
    if (n.compare(0, 5, "#SYS#") == 0) {
      auto it = g_config.systemValues.find(n);
      if (it == g_config.systemValues.end()) return 0;
      PutShortString(text, textSize, it->second);
      if (value) *value = uint32_t(std::atoll(it->second.c_str()));
      return 1;
    }
    if (n == "*IntCallback" && !g_config.values.count(n) && g_config.HasHost()) {
      if (!value) return 0;
      *value = PosCallbackAddress();
      return 1;
    }
    if (!n.empty() && n[0] == '*') {
      auto it = g_config.values.find(n);
      if (it == g_config.values.end() || !value) return 0;
      *value = it->second;
      return 1;
    }
    return DeviceRequest(n, number, index, value, text, textSize) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

// Test controls: load another configuration (nullptr: the default one) and
// read the last configuration error.
ZEF_EXPORT void ZEF_STDCALL ParamsLoadConfig(const char* path) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  if (path) LoadFrom(path);
  else g_loaded = false;
}

// Runs the procedure of menu entry `handle` as the POS does when the cashier
// chooses it: the dialog answer and a file-name buffer of `size` bytes.
// 0 when there is no such entry or it opens a submenu.
ZEF_EXPORT int32_t ZEF_STDCALL ParamsRunMenu(int32_t handle, const char* answer, char* buffer, int32_t size) {
  uint8_t* record = nullptr;
  {
    std::lock_guard<std::recursive_mutex> lock(g_lock);
    if (handle < 1 || size_t(handle) > g_menu.size()) return 0;
    record = g_menu[size_t(handle) - 1];
  }
  uint32_t proc = uint32_t(Int32At(record, kMenuProc));
  if (!proc) return 0;
  if (buffer && size > 0) buffer[0] = 0;
  reinterpret_cast<TMenuProc>(uintptr_t(proc))(record, answer ? answer : "", buffer);
  return 1;
}

// Forgets the registered menu entries (their records die with the device).
ZEF_EXPORT void ZEF_STDCALL ParamsClearMenu() {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  g_menu.clear();
}

// Requests of the host's callback services made outside a trusted task.
ZEF_EXPORT int32_t ZEF_STDCALL ParamsUntrustedCount() {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  return g_untrusted;
}

ZEF_EXPORT int32_t ZEF_STDCALL ParamsConfigError(char* buffer, int32_t size) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  if (buffer && size > 0) {
    size_t n = std::min<size_t>(g_error.size(), size_t(size - 1));
    std::memcpy(buffer, g_error.data(), n);
    buffer[n] = 0;
  }
  return int32_t(g_error.size());
}

}  // extern "C"
