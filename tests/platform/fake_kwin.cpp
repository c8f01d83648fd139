// KWin's input-device interface on the session bus, as far as the menu uses it, for tests
// where no KWin runs: org.kde.KWin with /org/kde/KWin/InputDevice (devicesSysNames) and one
// object per device (pointer, supportsLeftHanded, leftHanded, which can be set). Each device
// is given as SYSNAME:POINTER:SUPPORTS:LEFTHANDED with 0 or 1, as "event5:1:1:0"; one given
// with a "+" before it is plugged in later: at SIGUSR1 it appears, announced by deviceAdded.
// It says "ready" once it owns the name, "announced SYSNAME" for each one plugged in, and
// "set SYSNAME true|false" for every leftHanded set.
#include <gio/gio.h>
#include <glib-unix.h>
#include <signal.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr const char* kIntrospection = R"(<node>
  <interface name="org.kde.KWin.InputDeviceManager">
    <property name="devicesSysNames" type="as" access="read"/>
    <signal name="deviceAdded"><arg name="sysName" type="s"/></signal>
  </interface>
  <interface name="org.kde.KWin.InputDevice">
    <property name="sysName" type="s" access="read"/>
    <property name="pointer" type="b" access="read"/>
    <property name="supportsLeftHanded" type="b" access="read"/>
    <property name="leftHanded" type="b" access="readwrite"/>
  </interface>
</node>)";

struct Device {
  std::string sysName;
  bool pointer = false;
  bool supportsLeftHanded = false;
  bool leftHanded = false;
  bool present = true;  // false until it is plugged in
};

std::vector<Device> devices;
GMainLoop* loop = nullptr;
GDBusConnection* bus = nullptr;
GDBusNodeInfo* node = nullptr;

GVariant* managerProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* name, GError**,
                          gpointer) {
  if (std::string(name) != "devicesSysNames") return nullptr;
  GVariantBuilder names;
  g_variant_builder_init(&names, G_VARIANT_TYPE_STRING_ARRAY);
  for (const Device& device : devices)
    if (device.present) g_variant_builder_add(&names, "s", device.sysName.c_str());
  return g_variant_builder_end(&names);
}

GVariant* deviceProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* name, GError**,
                         gpointer data) {
  const Device& device = *static_cast<Device*>(data);
  const std::string property = name;
  if (property == "sysName") return g_variant_new_string(device.sysName.c_str());
  if (property == "pointer") return g_variant_new_boolean(device.pointer);
  if (property == "supportsLeftHanded") return g_variant_new_boolean(device.supportsLeftHanded);
  if (property == "leftHanded") return g_variant_new_boolean(device.leftHanded);
  return nullptr;
}

gboolean setDeviceProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* name,
                           GVariant* value, GError** error, gpointer data) {
  Device& device = *static_cast<Device*>(data);
  if (std::string(name) != "leftHanded" || !g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN)) {
    g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_PROPERTY_READ_ONLY, "read only");
    return FALSE;
  }
  device.leftHanded = g_variant_get_boolean(value);
  std::printf("set %s %s\n", device.sysName.c_str(), device.leftHanded ? "true" : "false");
  std::fflush(stdout);
  return TRUE;
}

const GDBusInterfaceVTable kManagerTable = {nullptr, managerProperty, nullptr, {}};
const GDBusInterfaceVTable kDeviceTable = {nullptr, deviceProperty, setDeviceProperty, {}};

void exportDevice(Device& device) {
  g_dbus_connection_register_object(bus, ("/org/kde/KWin/InputDevice/" + device.sysName).c_str(), node->interfaces[1],
                                    &kDeviceTable, &device, nullptr, nullptr);
}

void exportObjects(GDBusConnection* connection, const gchar*, gpointer) {
  bus = connection;
  node = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
  g_dbus_connection_register_object(connection, "/org/kde/KWin/InputDevice", node->interfaces[0], &kManagerTable,
                                    nullptr, nullptr, nullptr);
  for (Device& device : devices)
    if (device.present) exportDevice(device);
}

gboolean plugIn(gpointer) {
  for (Device& device : devices) {
    if (device.present || !bus) continue;
    device.present = true;
    exportDevice(device);
    g_dbus_connection_emit_signal(bus, nullptr, "/org/kde/KWin/InputDevice", "org.kde.KWin.InputDeviceManager",
                                  "deviceAdded", g_variant_new("(s)", device.sysName.c_str()), nullptr);
    g_dbus_connection_flush_sync(bus, nullptr, nullptr);
    std::printf("announced %s\n", device.sysName.c_str());
    std::fflush(stdout);
  }
  return G_SOURCE_CONTINUE;
}

void ready(GDBusConnection*, const gchar*, gpointer) {
  std::printf("ready\n");
  std::fflush(stdout);
}

void lost(GDBusConnection*, const gchar*, gpointer) {
  std::fprintf(stderr, "org.kde.KWin is not ours\n");
  g_main_loop_quit(loop);
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const bool later = argv[i][0] == '+';
    const std::string given = argv[i] + (later ? 1 : 0);
    const std::size_t colon = given.find(':');
    const std::string flags = colon == std::string::npos ? "" : given.substr(colon);
    if (flags.size() != 6 || flags[2] != ':' || flags[4] != ':') {
      std::fprintf(stderr, "a device is SYSNAME:POINTER:SUPPORTS:LEFTHANDED, not %s\n", argv[i]);
      return 2;
    }
    devices.push_back({given.substr(0, colon), flags[1] == '1', flags[3] == '1', flags[5] == '1', !later});
  }
  loop = g_main_loop_new(nullptr, FALSE);
  g_unix_signal_add(SIGUSR1, plugIn, nullptr);
  g_bus_own_name(G_BUS_TYPE_SESSION, "org.kde.KWin", G_BUS_NAME_OWNER_FLAGS_NONE, exportObjects, ready, lost,
                 nullptr, nullptr);
  g_main_loop_run(loop);
  return 1;
}
