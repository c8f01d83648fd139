#include "platform/gnome/gnome_pointer.h"

#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

#include <cstring>

#include "platform/x11/desktop_guardian.h"

namespace tov::gnome {

namespace {
constexpr const char* kSchema = "org.gnome.desktop.peripherals.mouse";
constexpr const char* kKey = "left-handed";

bool schemaHasKey() {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, kSchema, TRUE) : nullptr;
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

struct GnomePointer::Settings {
  GSettings* mouse = nullptr;
  ~Settings() {
    if (mouse) g_object_unref(mouse);
  }
  bool leftHanded() const { return g_settings_get_boolean(mouse, kKey); }
  void setLeftHanded(bool on) {
    g_settings_set_boolean(mouse, kKey, on);
    // Written through before the menu goes on: a program it starts next must find it.
    g_settings_sync();
  }
};

std::unique_ptr<GnomePointer> GnomePointer::open(x11::DesktopGuardian* guardian) {
  if (!schemaHasKey() || !sharedStore()) return nullptr;
  auto settings = std::make_unique<Settings>();
  settings->mouse = g_settings_new(kSchema);
  return std::unique_ptr<GnomePointer>(new GnomePointer(std::move(settings), guardian));
}

GnomePointer::GnomePointer(std::unique_ptr<Settings> settings, x11::DesktopGuardian* guardian)
    : settings_(std::move(settings)), guardian_(guardian), original_(settings_->leftHanded()) {}

GnomePointer::~GnomePointer() { setButtonsSwapped(false); }

void GnomePointer::setButtonsSwapped(bool swapped) {
  const bool wanted = swapped || original_;
  if (wanted != original_ && guardian_ && !reported_) {
    guardian_->report(guardian::SettingChanged{kSchema, kKey, original_ ? "true" : "false"});
    reported_ = true;
  }
  if (settings_->leftHanded() != wanted) settings_->setLeftHanded(wanted);
  if (wanted == original_ && reported_ && settings_->leftHanded() == original_) {
    guardian_->report(guardian::SettingRestored{kSchema, kKey});
    reported_ = false;
  }
}

bool GnomePointer::buttonsSwapped() { return settings_->leftHanded(); }

}  // namespace tov::gnome
