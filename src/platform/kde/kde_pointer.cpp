#include "platform/kde/kde_pointer.h"

#include <gio/gio.h>

#include <algorithm>

#include "platform/x11/desktop_guardian.h"

namespace tov::kde {

namespace {

constexpr const char* kService = "org.kde.KWin";
constexpr const char* kManagerPath = "/org/kde/KWin/InputDevice";
constexpr const char* kManager = "org.kde.KWin.InputDeviceManager";
constexpr const char* kDevice = "org.kde.KWin.InputDevice";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";
// KWin answers at once; a bus that hangs must not hang the menu.
constexpr int kCallMs = 10000;

// The guardian puts the name on gdbus' command line: a name only, never an option.
bool plainName(const std::string& name) {
  return !name.empty() && name.front() != '-' && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
  });
}

}  // namespace

struct KdePointer::Bus {
  GDBusConnection* connection = nullptr;
  ~Bus() {
    if (connection) g_object_unref(connection);
  }

  // The property's value, unboxed; null when KWin does not give it. Free with g_variant_unref.
  GVariant* get(const std::string& path, const char* interface, const char* property) const {
    GVariant* reply = g_dbus_connection_call_sync(connection, kService, path.c_str(), kProperties, "Get",
                                                  g_variant_new("(ss)", interface, property), G_VARIANT_TYPE("(v)"),
                                                  G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallMs, nullptr, nullptr);
    if (!reply) return nullptr;
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    g_variant_unref(reply);
    return value;
  }
  bool boolean(const std::string& path, const char* property, bool* out) const {
    GVariant* value = get(path, kDevice, property);
    const bool ok = value && g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN);
    if (ok) *out = g_variant_get_boolean(value);
    if (value) g_variant_unref(value);
    return ok;
  }
  bool setLeftHanded(const std::string& path, bool on) const {
    GVariant* reply = g_dbus_connection_call_sync(
        connection, kService, path.c_str(), kProperties, "Set",
        g_variant_new("(ssv)", kDevice, "leftHanded", g_variant_new_boolean(on)), nullptr,
        G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallMs, nullptr, nullptr);
    if (reply) g_variant_unref(reply);
    return reply != nullptr;
  }
  std::vector<std::string> sysNames() const {
    std::vector<std::string> names;
    GVariant* value = get(kManagerPath, kManager, "devicesSysNames");
    if (value && g_variant_is_of_type(value, G_VARIANT_TYPE_STRING_ARRAY)) {
      gsize count = 0;
      const gchar** strings = g_variant_get_strv(value, &count);
      names.assign(strings, strings + count);
      g_free(strings);
    }
    if (value) g_variant_unref(value);
    return names;
  }
};

namespace {
std::string devicePath(const std::string& sysName) { return std::string(kManagerPath) + "/" + sysName; }
}  // namespace

std::unique_ptr<KdePointer> KdePointer::open(x11::DesktopGuardian* guardian) {
  auto bus = std::make_unique<Bus>();
  bus->connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (!bus->connection) return nullptr;
  std::vector<Device> devices;
  for (const std::string& sysName : bus->sysNames()) {
    if (!plainName(sysName) || !g_variant_is_object_path(devicePath(sysName).c_str())) continue;
    bool pointer = false, supported = false, leftHanded = false;
    if (bus->boolean(devicePath(sysName), "pointer", &pointer) && pointer &&
        bus->boolean(devicePath(sysName), "supportsLeftHanded", &supported) && supported &&
        bus->boolean(devicePath(sysName), "leftHanded", &leftHanded))
      devices.push_back({sysName, leftHanded, false});
  }
  if (devices.empty()) return nullptr;
  return std::unique_ptr<KdePointer>(new KdePointer(std::move(bus), std::move(devices), guardian));
}

KdePointer::KdePointer(std::unique_ptr<Bus> bus, std::vector<Device> devices, x11::DesktopGuardian* guardian)
    : bus_(std::move(bus)), devices_(std::move(devices)), guardian_(guardian) {}

KdePointer::~KdePointer() { setButtonsSwapped(false); }

void KdePointer::setButtonsSwapped(bool swapped) {
  for (Device& device : devices_) {
    if (device.leftHanded || device.setByMenu == swapped) continue;
    const guardian::SettingChanged record{std::string(guardian::kKWinInputDevice), device.sysName, "false"};
    if (swapped && guardian_) guardian_->report(record);
    if (!bus_->setLeftHanded(devicePath(device.sysName), swapped)) continue;
    device.setByMenu = swapped;
    if (!swapped && guardian_) guardian_->report(guardian::SettingRestored{record.schema, record.key});
  }
}

bool KdePointer::buttonsSwapped() {
  return std::any_of(devices_.begin(), devices_.end(), [](const Device& d) { return d.leftHanded || d.setByMenu; });
}

}  // namespace tov::kde
