#pragma once
// The system's font configuration, read on a thread of its own while the program starts up.
// The first widget with text (the name field, created with the main form) needs Qt's font
// database, and filling it starts by reading the font configuration: its files and caches,
// some ten milliseconds that would otherwise lie before the first frame.

#include <thread>

namespace tov {

class BackgroundFontSetUp {
 public:
  // Starts the reading. Create it once the environment is as the program leaves it (the
  // configuration is found through environment variables), before the application object.
  BackgroundFontSetUp();
  // Waits for the reading, long over by then.
  ~BackgroundFontSetUp();
  BackgroundFontSetUp(const BackgroundFontSetUp&) = delete;
  BackgroundFontSetUp& operator=(const BackgroundFontSetUp&) = delete;

 private:
  std::thread reader_;
};

}  // namespace tov
