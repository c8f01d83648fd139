#include "platform/kde/kde_pointer.h"

#include <gio/gio.h>

#include <algorithm>
#include <functional>

#include "platform/guardian/undo_recorder.h"

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
  guint deviceAddedSubscription = 0;
  std::function<void(const std::string& sysName)> onDeviceAdded;
  ~Bus() {
    // No callback comes once the subscription has gone, even one already queued.
    if (deviceAddedSubscription) g_dbus_connection_signal_unsubscribe(connection, deviceAddedSubscription);
    if (connection) g_object_unref(connection);
  }

  // KWin's deviceAdded(sysName), delivered on the thread's main context: the Qt event loop,
  // which runs GLib's.
  static void deviceAdded(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                          GVariant* parameters, gpointer bus) {
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(s)"))) return;
    const gchar* sysName = nullptr;
    g_variant_get(parameters, "(&s)", &sysName);
    if (const auto& handler = static_cast<Bus*>(bus)->onDeviceAdded) handler(sysName);
  }
  void listenForDevices() {
    deviceAddedSubscription =
        g_dbus_connection_signal_subscribe(connection, kService, kManager, "deviceAdded", kManagerPath, nullptr,
                                           G_DBUS_SIGNAL_FLAGS_NONE, deviceAdded, this, nullptr);
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

// A device the hand can be set on: a pointer that supports it, with its own setting.
std::optional<KdePointer::Device> KdePointer::readDevice(const Bus& bus, const std::string& sysName) {
  if (!plainName(sysName) || !g_variant_is_object_path(devicePath(sysName).c_str())) return std::nullopt;
  bool pointer = false, supported = false, leftHanded = false;
  if (bus.boolean(devicePath(sysName), "pointer", &pointer) && pointer &&
      bus.boolean(devicePath(sysName), "supportsLeftHanded", &supported) && supported &&
      bus.boolean(devicePath(sysName), "leftHanded", &leftHanded))
    return Device{sysName, leftHanded, false};
  return std::nullopt;
}

std::unique_ptr<KdePointer> KdePointer::open(guardian::IUndoRecorder* guardian) {
  auto bus = std::make_unique<Bus>();
  bus->connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (!bus->connection) return nullptr;
  // Before the list is read, so that no device falls between the two.
  bus->listenForDevices();
  std::vector<Device> devices;
  for (const std::string& sysName : bus->sysNames())
    if (std::optional<Device> device = readDevice(*bus, sysName)) devices.push_back(*device);
  if (devices.empty()) return nullptr;
  return std::unique_ptr<KdePointer>(new KdePointer(std::move(bus), std::move(devices), guardian));
}

KdePointer::KdePointer(std::unique_ptr<Bus> bus, std::vector<Device> devices, guardian::IUndoRecorder* guardian)
    : bus_(std::move(bus)), devices_(std::move(devices)), guardian_(guardian) {
  bus_->onDeviceAdded = [this](const std::string& sysName) { takeAnnounced(sysName); };
}

KdePointer::~KdePointer() { setButtonsSwapped(false); }

void KdePointer::setButtonsSwapped(bool swapped) {
  swapped_ = swapped;
  for (Device& device : devices_) apply(device, swapped);
}

void KdePointer::apply(Device& device, bool swapped) {
  if (device.leftHanded || device.setByMenu == swapped) return;
  const guardian::SettingChanged record{std::string(guardian::kKWinInputDevice), device.sysName, "false"};
  if (swapped && guardian_) guardian_->record(record);
  if (!bus_->setLeftHanded(devicePath(device.sysName), swapped)) return;
  device.setByMenu = swapped;
  if (!swapped && guardian_) guardian_->record(guardian::SettingRestored{record.schema, record.key});
}

// A mouse plugged in gets the hand chosen now. A device seen before (plugged out and in
// again under the same name) keeps the setting it had when first seen, since what KWin
// brings back with it may be the menu's: it is set again to the hand chosen now, as KWin may
// not have kept it, and one whose give-back failed while it was away is given back now.
void KdePointer::takeAnnounced(const std::string& sysName) {
  auto known = std::find_if(devices_.begin(), devices_.end(), [&](const Device& d) { return d.sysName == sysName; });
  if (known == devices_.end()) {
    std::optional<Device> device = readDevice(*bus_, sysName);
    if (!device) return;
    devices_.push_back(*device);
    apply(devices_.back(), swapped_);
    return;
  }
  if (!swapped_ && !known->setByMenu) return;
  known->setByMenu = !swapped_;
  apply(*known, swapped_);
}

bool KdePointer::buttonsSwapped() {
  return std::any_of(devices_.begin(), devices_.end(), [](const Device& d) { return d.leftHanded || d.setByMenu; });
}

}  // namespace tov::kde
