#pragma once
// A sound card's control interface made inside the test process through ALSA's external
// control plugin interface, so that ALSA's real simple mixer runs over controls the test
// owns: no sound card needed. Values can be changed "by another program", with the event
// a driver would send, and the card can be unplugged.

#include <alsa/asoundlib.h>
#include <alsa/control_external.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace tov::test {

struct FakeAlsaElement {
  std::string name;  // as a driver names it: "Master Playback Volume"
  snd_ctl_elem_type_t type = SND_CTL_ELEM_TYPE_INTEGER;
  std::vector<long> values;  // one per channel
  long minimum = 0;
  long maximum = 1;
  std::vector<std::string> items;  // of an enumeration
};

class FakeAlsaControl {
 public:
  explicit FakeAlsaControl(std::vector<FakeAlsaElement> elements);
  ~FakeAlsaControl();
  FakeAlsaControl(const FakeAlsaControl&) = delete;
  FakeAlsaControl& operator=(const FakeAlsaControl&) = delete;

  // A new control handle over the elements, for a mixer to take over; one at a time.
  snd_hctl_t* open();
  bool isOpen() const { return open_; }

  const FakeAlsaElement& element(const std::string& name) const;
  // Another program sets a value: the driver reports it to every listener.
  void change(const std::string& name, std::size_t channel, long value);
  // The driver takes the element away.
  void remove(const std::string& name);
  // The card is unplugged: every read of events fails from now on.
  void unplug();

 private:
  static FakeAlsaControl& self(snd_ctl_ext_t* ext);
  FakeAlsaElement* find(const snd_ctl_elem_id_t* id);
  std::vector<FakeAlsaElement*> listed();
  void queue(const std::string& name, unsigned int mask);

  static int elemCount(snd_ctl_ext_t* ext);
  static int elemList(snd_ctl_ext_t* ext, unsigned int offset, snd_ctl_elem_id_t* id);
  static snd_ctl_ext_key_t findElem(snd_ctl_ext_t* ext, const snd_ctl_elem_id_t* id);
  static int getAttribute(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, int* type, unsigned int* acc,
                          unsigned int* count);
  static int getIntegerInfo(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* imin, long* imax,
                            long* istep);
  static int getEnumeratedInfo(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int* items);
  static int getEnumeratedName(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int item,
                               char* name, size_t nameMaxLength);
  static int readInteger(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* value);
  static int readEnumerated(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int* items);
  static int writeInteger(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* value);
  static int writeEnumerated(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int* items);
  static int readEvent(snd_ctl_ext_t* ext, snd_ctl_elem_id_t* id, unsigned int* mask);
  static void close(snd_ctl_ext_t* ext);

  std::vector<FakeAlsaElement> elements_;
  std::vector<bool> removed_;
  std::deque<std::pair<std::string, unsigned int>> events_;
  bool unplugged_ = false;
  bool open_ = false;
  int pipe_[2] = {-1, -1};  // a byte per event makes the read end readable
  snd_ctl_ext_callback_t callbacks_{};
  snd_ctl_ext_t ext_{};
};

}  // namespace tov::test
