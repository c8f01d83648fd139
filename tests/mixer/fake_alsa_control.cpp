#include "mixer/fake_alsa_control.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace tov::test {

FakeAlsaControl::FakeAlsaControl(std::vector<FakeAlsaElement> elements)
    : elements_(std::move(elements)), removed_(elements_.size(), false) {
  if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("pipe2");
  callbacks_.close = &FakeAlsaControl::close;
  callbacks_.elem_count = &FakeAlsaControl::elemCount;
  callbacks_.elem_list = &FakeAlsaControl::elemList;
  callbacks_.find_elem = &FakeAlsaControl::findElem;
  callbacks_.get_attribute = &FakeAlsaControl::getAttribute;
  callbacks_.get_integer_info = &FakeAlsaControl::getIntegerInfo;
  callbacks_.get_enumerated_info = &FakeAlsaControl::getEnumeratedInfo;
  callbacks_.get_enumerated_name = &FakeAlsaControl::getEnumeratedName;
  callbacks_.read_integer = &FakeAlsaControl::readInteger;
  callbacks_.read_enumerated = &FakeAlsaControl::readEnumerated;
  callbacks_.write_integer = &FakeAlsaControl::writeInteger;
  callbacks_.write_enumerated = &FakeAlsaControl::writeEnumerated;
  callbacks_.read_event = &FakeAlsaControl::readEvent;
}

FakeAlsaControl::~FakeAlsaControl() {
  ::close(pipe_[0]);
  ::close(pipe_[1]);
}

snd_hctl_t* FakeAlsaControl::open() {
  if (open_) return nullptr;
  ext_ = snd_ctl_ext_t{};
  ext_.version = SND_CTL_EXT_VERSION;
  ext_.card_idx = 0;
  std::strcpy(ext_.id, "Fake");
  std::strcpy(ext_.driver, "Fake");
  std::strcpy(ext_.name, "Fake card");
  std::strcpy(ext_.longname, "Fake card made by the test");
  std::strcpy(ext_.mixername, "Fake mixer");
  ext_.poll_fd = pipe_[0];
  ext_.callback = &callbacks_;
  ext_.private_data = this;
  if (snd_ctl_ext_create(&ext_, "fake", 0) < 0) return nullptr;
  snd_hctl_t* hctl = nullptr;
  if (snd_hctl_open_ctl(&hctl, ext_.handle) < 0) {
    snd_ctl_close(ext_.handle);
    return nullptr;
  }
  open_ = true;
  return hctl;
}

const FakeAlsaElement& FakeAlsaControl::element(const std::string& name) const {
  for (const FakeAlsaElement& e : elements_)
    if (e.name == name) return e;
  throw std::out_of_range(name);
}

void FakeAlsaControl::change(const std::string& name, std::size_t channel, long value) {
  const_cast<FakeAlsaElement&>(element(name)).values.at(channel) = value;
  queue(name, SND_CTL_EVENT_MASK_VALUE);
}

void FakeAlsaControl::remove(const std::string& name) {
  for (std::size_t i = 0; i < elements_.size(); ++i)
    if (elements_[i].name == name) removed_[i] = true;
  queue(name, SND_CTL_EVENT_MASK_REMOVE);
}

void FakeAlsaControl::unplug() {
  unplugged_ = true;
  queue({}, 0);
}

void FakeAlsaControl::queue(const std::string& name, unsigned int mask) {
  events_.emplace_back(name, mask);
  const char byte = 1;
  if (::write(pipe_[1], &byte, 1) != 1) throw std::runtime_error("write");
}

FakeAlsaControl& FakeAlsaControl::self(snd_ctl_ext_t* ext) {
  return *static_cast<FakeAlsaControl*>(ext->private_data);
}

std::vector<FakeAlsaElement*> FakeAlsaControl::listed() {
  std::vector<FakeAlsaElement*> result;
  for (std::size_t i = 0; i < elements_.size(); ++i)
    if (!removed_[i]) result.push_back(&elements_[i]);
  return result;
}

int FakeAlsaControl::elemCount(snd_ctl_ext_t* ext) { return int(self(ext).listed().size()); }

int FakeAlsaControl::elemList(snd_ctl_ext_t* ext, unsigned int offset, snd_ctl_elem_id_t* id) {
  const std::vector<FakeAlsaElement*> elements = self(ext).listed();
  if (offset >= elements.size()) return -EINVAL;
  snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
  snd_ctl_elem_id_set_name(id, elements[offset]->name.c_str());
  return 0;
}

snd_ctl_ext_key_t FakeAlsaControl::findElem(snd_ctl_ext_t* ext, const snd_ctl_elem_id_t* id) {
  FakeAlsaControl& control = self(ext);
  for (std::size_t i = 0; i < control.elements_.size(); ++i)
    if (!control.removed_[i] && control.elements_[i].name == snd_ctl_elem_id_get_name(id)) return i;
  return SND_CTL_EXT_KEY_NOT_FOUND;
}

int FakeAlsaControl::getAttribute(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, int* type,
                                  unsigned int* acc, unsigned int* count) {
  const FakeAlsaElement& e = self(ext).elements_.at(key);
  *type = e.type;
  *acc = SND_CTL_EXT_ACCESS_READWRITE;
  *count = unsigned(e.values.size());
  return 0;
}

int FakeAlsaControl::getIntegerInfo(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* imin,
                                    long* imax, long* istep) {
  const FakeAlsaElement& e = self(ext).elements_.at(key);
  *imin = e.minimum;
  *imax = e.maximum;
  *istep = 1;
  return 0;
}

int FakeAlsaControl::getEnumeratedInfo(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key,
                                       unsigned int* items) {
  *items = unsigned(self(ext).elements_.at(key).items.size());
  return 0;
}

int FakeAlsaControl::getEnumeratedName(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int item,
                                       char* name, size_t nameMaxLength) {
  const std::vector<std::string>& items = self(ext).elements_.at(key).items;
  if (item >= items.size() || nameMaxLength == 0) return -EINVAL;
  std::strncpy(name, items[item].c_str(), nameMaxLength - 1);
  name[nameMaxLength - 1] = '\0';
  return 0;
}

int FakeAlsaControl::readInteger(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* value) {
  const FakeAlsaElement& e = self(ext).elements_.at(key);
  for (std::size_t i = 0; i < e.values.size(); ++i) value[i] = e.values[i];
  return 0;
}

int FakeAlsaControl::readEnumerated(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key,
                                    unsigned int* items) {
  const FakeAlsaElement& e = self(ext).elements_.at(key);
  for (std::size_t i = 0; i < e.values.size(); ++i) items[i] = unsigned(e.values[i]);
  return 0;
}

int FakeAlsaControl::writeInteger(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* value) {
  FakeAlsaElement& e = self(ext).elements_.at(key);
  bool changed = false;
  for (std::size_t i = 0; i < e.values.size(); ++i) {
    changed = changed || e.values[i] != value[i];
    e.values[i] = value[i];
  }
  return changed ? 1 : 0;
}

int FakeAlsaControl::writeEnumerated(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key,
                                     unsigned int* items) {
  FakeAlsaElement& e = self(ext).elements_.at(key);
  bool changed = false;
  for (std::size_t i = 0; i < e.values.size(); ++i) {
    changed = changed || e.values[i] != long(items[i]);
    e.values[i] = long(items[i]);
  }
  return changed ? 1 : 0;
}

int FakeAlsaControl::readEvent(snd_ctl_ext_t* ext, snd_ctl_elem_id_t* id, unsigned int* mask) {
  FakeAlsaControl& control = self(ext);
  if (control.unplugged_) return -ENODEV;
  if (control.events_.empty()) return -EAGAIN;
  char byte;
  [[maybe_unused]] ssize_t taken = ::read(control.pipe_[0], &byte, 1);
  const auto [name, eventMask] = control.events_.front();
  control.events_.pop_front();
  snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
  snd_ctl_elem_id_set_name(id, name.c_str());
  *mask = eventMask;
  return 1;
}

void FakeAlsaControl::close(snd_ctl_ext_t* ext) { self(ext).open_ = false; }

}  // namespace tov::test
