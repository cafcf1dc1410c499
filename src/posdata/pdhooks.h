// The process-wide hooks through which the data container asks the POS for
// the names and properties of its reference objects and for translations.
// Each may be unset (nullptr, the default); the adapter's start-up binds them
// to the host parameter service.
#pragma once
#include <cstdint>
#include <string>

// On entry `text` holds the cell's own text; on return the display name of
// object `id` of kind `refColNum` (at most 255 bytes).
using TRefNameHook = void (*)(int32_t id, int32_t refColNum, std::string& text);
// The text of property path `path` of object `id` of kind `refColNum`.
using TRefPropHook = std::string (*)(int32_t refColNum, int32_t id, const std::string& path);
// The user-language form of `text`; false when the hook declines.
using TTranslateHook = bool (*)(const std::string& text, std::string& result);

struct TPDHooks {
  TRefNameHook RefName = nullptr;
  TRefPropHook RefProp = nullptr;
  TTranslateHook Translate = nullptr;
};

// Set once at start-up, before any document is loaded.
void SetPDHooks(const TPDHooks& hooks);
const TPDHooks& PDHooks();

// The hook's translation of `text`, or `text` itself.
std::string Translate(const std::string& text);
