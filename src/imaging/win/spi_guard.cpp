#include "imaging/win/spi_guard.h"

#include <float.h>
#include <malloc.h>

#include <cstdint>
#include <mutex>

namespace lumora::win {

namespace {

struct Guard {
  void* jump[5];       // __builtin_setjmp's buffer
  Guard* outer;        // the guard this one is nested in
  DWORD code;          // the exception that ended the call
  uintptr_t resumeSp;  // a stack address below the guard's frame
};

DWORD g_slot = TLS_OUT_OF_INDEXES;

Guard* ActiveGuard() {
  return g_slot == TLS_OUT_OF_INDEXES ? nullptr : static_cast<Guard*>(::TlsGetValue(g_slot));
}

bool IsProcessorException(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_STACK_OVERFLOW:
      return true;
    default:
      return false;
  }
}

// Where the thread resumes after an exception in a guarded call: back to
// the guard, which sees __builtin_setjmp return 1.
[[noreturn]] __attribute__((noinline)) void ReturnToGuard() {
  Guard* guard = ActiveGuard();
  __builtin_longjmp(guard->jump, 1);
}

LONG CALLBACK OnException(EXCEPTION_POINTERS* exception) {
  Guard* guard = ActiveGuard();
  if (!guard || !IsProcessorException(exception->ExceptionRecord->ExceptionCode)) return EXCEPTION_CONTINUE_SEARCH;
  guard->code = exception->ExceptionRecord->ExceptionCode;
  // Resume in ReturnToGuard as if it had been called, on the stack the
  // abandoned frames used (aligned as at a function's entry).
  const uintptr_t sp = guard->resumeSp & ~static_cast<uintptr_t>(15);
  CONTEXT& context = *exception->ContextRecord;
#if defined(__x86_64__)
  context.Rsp = sp - 8;
  context.Rip = reinterpret_cast<DWORD64>(&ReturnToGuard);
#else
  context.Esp = static_cast<DWORD>(sp - 4);
  context.Eip = reinterpret_cast<DWORD>(&ReturnToGuard);
#endif
  return EXCEPTION_CONTINUE_EXECUTION;
}

void InstallHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    g_slot = ::TlsAlloc();
    // First in the chain: a plug-in's fault must not reach the frames of
    // the window procedure that called it.
    ::AddVectoredExceptionHandler(1, OnException);
  });
}

}  // namespace

__attribute__((noinline)) bool CallGuarded(void (*call)(void* context), void* context, DWORD* code) {
  InstallHandler();
  if (g_slot == TLS_OUT_OF_INDEXES) {
    call(context);  // no slot for the guard: the call runs unguarded
    return true;
  }
  Guard guard{};
  guard.outer = ActiveGuard();
  // A kilobyte below this frame: the abandoned frames' stack, committed
  // when the call went deeper, within the guard page when it did not.
  guard.resumeSp = reinterpret_cast<uintptr_t>(&guard) - 1024;
  if (__builtin_setjmp(guard.jump)) {
    ::TlsSetValue(g_slot, guard.outer);
    _fpreset();  // the plug-in may have left the floating-point unit in any state
    if (guard.code == EXCEPTION_STACK_OVERFLOW) _resetstkoflw();
    if (code) *code = guard.code;
    return false;
  }
  ::TlsSetValue(g_slot, &guard);
  call(context);
  ::TlsSetValue(g_slot, guard.outer);
  return true;
}

}  // namespace lumora::win
