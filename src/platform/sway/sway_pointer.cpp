#include "platform/sway/sway_pointer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>

#include "platform/sway/sway_ipc.h"
#include "platform/guardian/undo_recorder.h"

namespace tov::sway {

namespace {

// sway's reply to a request on the socket the menu inherited.
std::optional<QByteArray> ask(IpcMessage type, const std::string& payload) {
  const char* socket = std::getenv("SWAYSOCK");
  const std::optional<std::string> reply = swayRequest(socket ? socket : "", type, payload);
  if (!reply) return std::nullopt;
  return QByteArray::fromStdString(*reply);
}

// Every result of a command's raw reply says success.
bool succeeded(const QByteArray& reply) {
  const QJsonDocument results = QJsonDocument::fromJson(reply);
  if (!results.isArray() || results.array().isEmpty()) return false;
  for (const QJsonValue& result : results.array())
    if (!result.toObject().value("success").toBool()) return false;
  return true;
}

// For every pointer sway has or gets later.
bool setLeftHanded(bool on) {
  const std::optional<QByteArray> reply =
      ask(IpcMessage::RunCommand, guardian::swayLeftHandedCommand(on));
  return reply && succeeded(*reply);
}

}  // namespace

std::optional<bool> anyPointerLeftHanded(const std::string& getInputsReply) {
  const QJsonDocument inputs = QJsonDocument::fromJson(QByteArray::fromStdString(getInputsReply));
  if (!inputs.isArray()) return std::nullopt;
  for (const QJsonValue& input : inputs.array()) {
    const QJsonObject device = input.toObject();
    const QString type = device.value("type").toString();
    if ((type == "pointer" || type == "touchpad") &&
        device.value("libinput").toObject().value("left_handed").toString() == "enabled")
      return true;
  }
  return false;
}

std::unique_ptr<SwayPointer> SwayPointer::open(guardian::IUndoRecorder* guardian) {
  const std::optional<QByteArray> reply = ask(IpcMessage::GetInputs, std::string());
  const std::optional<bool> leftHanded = reply ? anyPointerLeftHanded(reply->toStdString()) : std::nullopt;
  if (!leftHanded) return nullptr;
  return std::unique_ptr<SwayPointer>(new SwayPointer(*leftHanded, guardian));
}

SwayPointer::SwayPointer(bool desktopLeftHanded, guardian::IUndoRecorder* guardian)
    : guardian_(guardian), desktopLeftHanded_(desktopLeftHanded) {}

SwayPointer::~SwayPointer() { setButtonsSwapped(false); }

void SwayPointer::setButtonsSwapped(bool swapped) {
  if (desktopLeftHanded_ || swapped == setByMenu_) return;
  const guardian::SettingChanged record{std::string(guardian::kSwayInput), std::string(guardian::kSwayLeftHanded), "false"};
  if (swapped && guardian_) guardian_->record(record);
  // A refused command leaves sway as it was; the guardian then finds nothing but the
  // setting it would have put back anyway.
  if (!setLeftHanded(swapped)) return;
  setByMenu_ = swapped;
  if (!swapped && guardian_) guardian_->record(guardian::SettingRestored{record.schema, record.key});
}

bool SwayPointer::buttonsSwapped() { return desktopLeftHanded_ || setByMenu_; }

}  // namespace tov::sway
