#include "support/mutter_remote_desktop.h"

#include "support/child_process.h"

#include <gio/gio.h>

#include <optional>

namespace tov::test {

namespace {

constexpr int kRemoteSetupMs = 30000;
constexpr int kDbusCallMs = 30000;

constexpr const char* kRemoteDesktop = "org.gnome.Mutter.RemoteDesktop";
constexpr const char* kScreenCast = "org.gnome.Mutter.ScreenCast";

template <typename T, void (*Free)(T*)>
struct GFreer {
  void operator()(T* p) const {
    if (p) Free(p);
  }
};
using ErrorPtr = std::unique_ptr<GError, GFreer<GError, g_error_free>>;
using VariantPtr = std::unique_ptr<GVariant, GFreer<GVariant, g_variant_unref>>;

}  // namespace

// GDBus rather than QtDBus: the signal that carries the stream's node is waited for on a
// main context of our own, whether or not the test program runs a Qt event loop.
class MutterRemoteDesktop::Connection {
 public:
  Connection() : context_(g_main_context_new()) {}

  bool open(const std::string& busAddress, const std::string& monitor,
            const std::function<bool()>& compositorRunning, std::string* whyNot) {
    return connect(busAddress, whyNot) && waitForServices(compositorRunning, whyNot) &&
           startSessions(monitor, whyNot);
  }

  ~Connection() {
    if (subscription_) g_dbus_connection_signal_unsubscribe(bus_, subscription_);
    if (bus_) {
      g_dbus_connection_close_sync(bus_, nullptr, nullptr);
      g_object_unref(bus_);
    }
    g_main_context_unref(context_);
  }

  unsigned node() const { return node_.value_or(0); }

  bool movePointerTo(double x, double y, std::string* whyNot) {
    return callSession("NotifyPointerMotionAbsolute", g_variant_new("(sdd)", stream_.c_str(), x, y),
                       whyNot);
  }
  bool button(unsigned evdevCode, bool pressed, std::string* whyNot) {
    return callSession("NotifyPointerButton",
                       g_variant_new("(ib)", gint32(evdevCode), gboolean(pressed)), whyNot);
  }
  bool keysym(unsigned keysym, bool pressed, std::string* whyNot) {
    return callSession("NotifyKeyboardKeysym",
                       g_variant_new("(ub)", guint32(keysym), gboolean(pressed)), whyNot);
  }

 private:
  bool connect(const std::string& busAddress, std::string* whyNot) {
    GError* error = nullptr;
    bus_ = g_dbus_connection_new_for_address_sync(
        busAddress.c_str(),
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    return succeeded(error, "connecting to " + busAddress, whyNot);
  }

  bool hasOwner(const char* name) {
    VariantPtr reply = call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                            "NameHasOwner", g_variant_new("(s)", name), nullptr);
    gboolean owned = FALSE;
    if (reply) g_variant_get(reply.get(), "(b)", &owned);
    return owned;
  }

  bool waitForServices(const std::function<bool()>& compositorRunning, std::string* whyNot) {
    const bool there = pollUntil(
        [&] { return (hasOwner(kRemoteDesktop) && hasOwner(kScreenCast)) || !compositorRunning(); },
        kRemoteSetupMs);
    if (there && compositorRunning()) return true;
    if (whyNot) *whyNot = "mutter did not offer its remote-desktop and screen-cast services";
    return false;
  }

  // A remote-desktop session with a screen cast of the monitor in it: absolute pointer
  // positions are given in the stream's space, so input needs the stream.
  bool startSessions(const std::string& monitor, std::string* whyNot) {
    VariantPtr reply = call(kRemoteDesktop, "/org/gnome/Mutter/RemoteDesktop", kRemoteDesktop,
                            "CreateSession", nullptr, whyNot);
    if (!reply) return false;
    remoteSession_ = objectPathIn(reply.get());
    const std::string sessionId = sessionIdOf(remoteSession_, whyNot);
    if (sessionId.empty()) return false;

    GVariantBuilder properties;
    g_variant_builder_init(&properties, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&properties, "{sv}", "remote-desktop-session-id",
                          g_variant_new_string(sessionId.c_str()));
    reply = call(kScreenCast, "/org/gnome/Mutter/ScreenCast", kScreenCast, "CreateSession",
                 g_variant_new("(a{sv})", &properties), whyNot);
    if (!reply) return false;
    const std::string castSession = objectPathIn(reply.get());

    // The pointer is left out of the pictures.
    GVariantBuilder streamProperties;
    g_variant_builder_init(&streamProperties, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&streamProperties, "{sv}", "cursor-mode", g_variant_new_uint32(0));
    reply = call(kScreenCast, castSession.c_str(), "org.gnome.Mutter.ScreenCast.Session",
                 "RecordMonitor", g_variant_new("(sa{sv})", monitor.c_str(), &streamProperties), whyNot);
    if (!reply) return false;
    stream_ = objectPathIn(reply.get());

    subscribeToStream();
    if (!callSession("Start", nullptr, whyNot)) return false;
    if (iterateUntil([&] { return node_.has_value(); }, kRemoteSetupMs)) return true;
    if (whyNot) *whyNot = "mutter announced no PipeWire stream for " + stream_;
    return false;
  }

  // The signal comes on the context that was the thread's default when subscribing.
  void subscribeToStream() {
    g_main_context_push_thread_default(context_);
    subscription_ = g_dbus_connection_signal_subscribe(
        bus_, nullptr, "org.gnome.Mutter.ScreenCast.Stream", "PipeWireStreamAdded", stream_.c_str(),
        nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
           GVariant* parameters, gpointer self) {
          guint32 node = 0;
          g_variant_get(parameters, "(u)", &node);
          static_cast<Connection*>(self)->node_ = node;
        },
        this, nullptr);
    g_main_context_pop_thread_default(context_);
  }

  // Serves the private context until done holds or timeoutMs has passed.
  bool iterateUntil(const std::function<bool()>& done, int timeoutMs) {
    GSource* timeout = g_timeout_source_new(guint(timeoutMs));
    bool timedOut = false;
    g_source_set_callback(
        timeout,
        [](gpointer flag) -> gboolean {
          *static_cast<bool*>(flag) = true;
          return G_SOURCE_REMOVE;
        },
        &timedOut, nullptr);
    g_source_attach(timeout, context_);
    while (!done() && !timedOut) g_main_context_iteration(context_, TRUE);
    g_source_destroy(timeout);
    g_source_unref(timeout);
    return done();
  }

  std::string sessionIdOf(const std::string& sessionPath, std::string* whyNot) {
    VariantPtr reply =
        call(kRemoteDesktop, sessionPath.c_str(), "org.freedesktop.DBus.Properties", "Get",
             g_variant_new("(ss)", "org.gnome.Mutter.RemoteDesktop.Session", "SessionId"), whyNot);
    if (!reply) return {};
    GVariant* boxed = nullptr;
    g_variant_get(reply.get(), "(v)", &boxed);
    VariantPtr value(boxed);
    if (!g_variant_is_of_type(value.get(), G_VARIANT_TYPE_STRING)) {
      if (whyNot) *whyNot = "the remote-desktop session has no SessionId";
      return {};
    }
    return g_variant_get_string(value.get(), nullptr);
  }

  static std::string objectPathIn(GVariant* reply) {
    const gchar* path = nullptr;
    g_variant_get(reply, "(&o)", &path);
    return path ? path : "";
  }

  bool callSession(const char* method, GVariant* parameters, std::string* whyNot) {
    return bool(call(kRemoteDesktop, remoteSession_.c_str(),
                     "org.gnome.Mutter.RemoteDesktop.Session", method, parameters, whyNot));
  }

  // A blocking call; parameters, when given, is consumed.
  VariantPtr call(const char* destination, const char* path, const char* interface,
                  const char* method, GVariant* parameters, std::string* whyNot) {
    GError* error = nullptr;
    GVariant* reply =
        g_dbus_connection_call_sync(bus_, destination, path, interface, method, parameters, nullptr,
                                    G_DBUS_CALL_FLAGS_NONE, kDbusCallMs, nullptr, &error);
    succeeded(error, std::string(interface) + "." + method, whyNot);
    return VariantPtr(reply);
  }

  static bool succeeded(GError* error, const std::string& what, std::string* whyNot) {
    ErrorPtr owned(error);
    if (owned && whyNot) *whyNot = what + ": " + owned->message;
    return !owned;
  }

  GMainContext* context_;
  GDBusConnection* bus_ = nullptr;
  guint subscription_ = 0;
  std::string remoteSession_;
  std::string stream_;
  std::optional<unsigned> node_;
};

MutterRemoteDesktop::MutterRemoteDesktop(std::unique_ptr<Connection> connection)
    : connection_(std::move(connection)) {}

MutterRemoteDesktop::~MutterRemoteDesktop() = default;

std::unique_ptr<MutterRemoteDesktop> MutterRemoteDesktop::open(
    const std::string& busAddress, const std::string& monitor, const std::function<bool()>& compositorRunning,
    std::string* whyNot) {
  auto connection = std::make_unique<Connection>();
  if (!connection->open(busAddress, monitor, compositorRunning, whyNot)) return nullptr;
  return std::unique_ptr<MutterRemoteDesktop>(new MutterRemoteDesktop(std::move(connection)));
}

unsigned MutterRemoteDesktop::node() const { return connection_->node(); }

bool MutterRemoteDesktop::movePointerTo(double x, double y, std::string* whyNot) {
  return connection_->movePointerTo(x, y, whyNot);
}

bool MutterRemoteDesktop::button(unsigned evdevCode, bool pressed, std::string* whyNot) {
  return connection_->button(evdevCode, pressed, whyNot);
}

bool MutterRemoteDesktop::keysym(unsigned keysym, bool pressed, std::string* whyNot) {
  return connection_->keysym(keysym, pressed, whyNot);
}

}  // namespace tov::test
