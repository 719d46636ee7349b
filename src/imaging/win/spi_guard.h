// Calls into plug-in code that may fault. A plug-in is code from outside
// the program: an access violation (or another processor exception) inside
// one of its calls must not end the saver. A vectored exception handler
// watches the thread while a guarded call runs; on such an exception it
// abandons the call's frames and returns to the guard, which reports the
// call as failed. C++ exceptions and the exceptions of other threads pass.
//
// GCC has no __try/__except, so the handler resumes the thread at a small
// routine that jumps back to the guard's __builtin_setjmp. Whatever the
// plug-in held at the time (its memory, a lock of its own) stays as it
// was: the plug-in may be unusable afterwards, the program is not.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace lumora::win {

// A plug-in call ended by a processor exception.
class ESPIPluginFault : public std::runtime_error {
 public:
  ESPIPluginFault(const std::string& message, DWORD code) : std::runtime_error(message), code_(code) {}
  DWORD Code() const { return code_; }

 private:
  DWORD code_;
};

// Runs call(context). True when it returned; false when a processor
// exception was raised on this thread during it, with its code in *code.
bool CallGuarded(void (*call)(void* context), void* context, DWORD* code);

// Runs f() guarded and returns its result; a processor exception raises
// ESPIPluginFault naming the entry point and the plug-in.
template <typename Result, typename Function>
Result GuardedPluginCall(const char* entryPoint, const std::string& plugin, Function&& f) {
  struct Call {
    Function& f;
    Result result{};
    static void Run(void* self) {
      Call& call = *static_cast<Call*>(self);
      call.result = call.f();
    }
  } call{f};
  DWORD code = 0;
  if (!CallGuarded(&Call::Run, &call, &code)) {
    char hex[16];
    wsprintfA(hex, "%08lX", static_cast<unsigned long>(code));
    throw ESPIPluginFault(std::string(entryPoint) + "は[" + plugin + "]の中で例外 " + hex + " を起こしました", code);
  }
  return call.result;
}

}  // namespace lumora::win
