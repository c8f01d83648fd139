#include "platform/gnome/gnome_pointer.h"

#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

#include <cstring>

#include "platform/guardian/undo_recorder.h"

namespace tov::gnome {

namespace {
constexpr const char* kMouseSchema = "org.gnome.desktop.peripherals.mouse";
constexpr const char* kTouchpadSchema = "org.gnome.desktop.peripherals.touchpad";
constexpr const char* kKey = "left-handed";

bool schemaHasKey(const char* schemaId) {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, schemaId, TRUE) : nullptr;
  if (!schema) return false;
  const bool has = g_settings_schema_has_key(schema, kKey);
  g_settings_schema_unref(schema);
  return has;
}

// GLib falls back to a store in the process's memory when it finds no other; what the menu
// wrote there would reach nobody.
bool sharedStore() {
  GSettingsBackend* backend = g_settings_backend_get_default();
  const bool shared = backend && std::strcmp(G_OBJECT_TYPE_NAME(backend), "GMemorySettingsBackend") != 0;
  if (backend) g_object_unref(backend);
  return shared;
}
}  // namespace

// One setting of the hand, in GSettings' own text of its value ("true", "'left'"), with what
// the desktop had and whether the guardian holds that.
struct GnomePointer::Setting {
  const char* schema = nullptr;
  GSettings* settings = nullptr;
  std::string original;
  bool recorded = false;

  Setting(const char* schemaId) : schema(schemaId), settings(g_settings_new(schemaId)), original(value()) {}
  ~Setting() { g_object_unref(settings); }
  Setting(const Setting&) = delete;
  Setting& operator=(const Setting&) = delete;

  std::string value() const {
    GVariant* variant = g_settings_get_value(settings, kKey);
    gchar* text = g_variant_print(variant, FALSE);
    std::string printed = text;
    g_free(text);
    g_variant_unref(variant);
    return printed;
  }
  void set(const std::string& text) {
    GVariant* variant = g_variant_parse(nullptr, text.c_str(), nullptr, nullptr, nullptr);
    if (!variant) return;
    g_settings_set_value(settings, kKey, variant);  // takes the floating reference
    // Written through before the menu goes on: a program it starts next must find it.
    g_settings_sync();
  }
  // Puts wanted in place, telling the guardian first what it gives back.
  void make(const std::string& wanted, guardian::IUndoRecorder* guardian) {
    if (wanted != original && guardian && !recorded) {
      guardian->record(guardian::SettingChanged{schema, kKey, original});
      recorded = true;
    }
    if (value() != wanted) set(wanted);
    if (wanted == original && recorded && value() == original) {
      guardian->record(guardian::SettingRestored{schema, kKey});
      recorded = false;
    }
  }
};

std::unique_ptr<GnomePointer> GnomePointer::open(guardian::IUndoRecorder* guardian) {
  if (!schemaHasKey(kMouseSchema) || !sharedStore()) return nullptr;
  auto mouse = std::make_unique<Setting>(kMouseSchema);
  std::unique_ptr<Setting> touchpad;
  if (schemaHasKey(kTouchpadSchema)) touchpad = std::make_unique<Setting>(kTouchpadSchema);
  return std::unique_ptr<GnomePointer>(new GnomePointer(std::move(mouse), std::move(touchpad), guardian));
}

GnomePointer::GnomePointer(std::unique_ptr<Setting> mouse, std::unique_ptr<Setting> touchpad,
                           guardian::IUndoRecorder* guardian)
    : mouse_(std::move(mouse)), touchpad_(std::move(touchpad)), guardian_(guardian) {}

GnomePointer::~GnomePointer() { setButtonsSwapped(false); }

void GnomePointer::setButtonsSwapped(bool swapped) {
  mouse_->make(swapped ? "true" : mouse_->original, guardian_);
  // The touchpad follows the mouse unless the desktop set it right-handed on its own.
  if (touchpad_) touchpad_->make(swapped && touchpad_->original == "'right'" ? "'left'" : touchpad_->original, guardian_);
}

bool GnomePointer::buttonsSwapped() { return mouse_->value() == "true"; }

}  // namespace tov::gnome
