#pragma once
// COM for the calling thread while one piece of work lasts (a picture's decoding, a start
// through the shell, which wants it for its extensions); a thread that has it already, in
// whatever apartment, keeps its own.

#include <objbase.h>

namespace tov::win32 {

class ComForThisThread {
 public:
  ComForThisThread() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ~ComForThisThread() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComForThisThread(const ComForThisThread&) = delete;
  ComForThisThread& operator=(const ComForThisThread&) = delete;

 private:
  HRESULT result_;
};

}  // namespace tov::win32
