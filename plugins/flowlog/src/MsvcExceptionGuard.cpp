#include "MsvcExceptionGuard.h"

#include <windows.h>

#include <cstring>

#include "MsvcException.h"
#include "VendorAbi.h"

namespace {

typedef void(NOX_VENDOR_THISCALL* MsvcDestructor)(void* object);

template <class T>
const T* at(uintptr_t base, MsvcReference reference) {
  return reference ? reinterpret_cast<const T*>(base + reference) : nullptr;
}

// Fills `fault` and destroys the thrown object when `record` is a C++
// exception of the vendor's compiler; false for anything else.
bool takeMsvcException(const EXCEPTION_RECORD& record, MsvcFault& fault) {
  if (record.ExceptionCode != kMsvcExceptionCode || record.NumberParameters < 3) return false;
  const ULONG_PTR* parameters = record.ExceptionInformation;
  if (parameters[0] < kMsvcMagic || parameters[0] > kMsvcMagicLast) return false;
  const uintptr_t base = record.NumberParameters >= 4 ? parameters[3] : 0;
  void* object = reinterpret_cast<void*>(parameters[1]);
  const MsvcThrowInfo* info = reinterpret_cast<const MsvcThrowInfo*>(parameters[2]);

  fault = MsvcFault();
  if (!info) return true;  // a rethrow: nothing more is known
  if (const MsvcCatchableTypeArray* types = at<MsvcCatchableTypeArray>(base, info->catchableTypes)) {
    for (int32_t i = 0; i < types->count && fault.typeCount < MsvcFault::kMaxTypes; ++i) {
      const MsvcCatchableType* type = at<MsvcCatchableType>(base, types->types[i]);
      const MsvcTypeDescriptor* descriptor = type ? at<MsvcTypeDescriptor>(base, type->type) : nullptr;
      if (!descriptor) continue;
      char* name = fault.types[fault.typeCount++];
      std::strncpy(name, descriptor->name, sizeof fault.types[0] - 1);
    }
  }
  if (object && info->destroy) {
    reinterpret_cast<MsvcDestructor>(base + info->destroy)(object);
  }
  return true;
}

}  // namespace

bool MsvcFault::is(const char* decoratedName) const {
  for (int i = 0; i < typeCount; ++i) {
    if (std::strcmp(types[i], decoratedName) == 0) return true;
  }
  return false;
}

#if defined(__x86_64__)

// x64: the guard is a function of its own whose unwind information names the
// system's scope handler (__C_specific_handler) with one scope around the call;
// the scope's filter decides, and the handler unwinds to the scope's end.
// The fault record travels in the guard's home slot of its third argument.
extern "C" int noxMsvcGuardedCall(void (*body)(void*), void* context, MsvcFault* fault);

extern "C" LONG noxMsvcGuardFilter(EXCEPTION_POINTERS* exception, void* frame) {
  MsvcFault* fault = *reinterpret_cast<MsvcFault**>(static_cast<char*>(frame) + 32);
  return takeMsvcException(*exception->ExceptionRecord, *fault) ? EXCEPTION_EXECUTE_HANDLER
                                                                : EXCEPTION_CONTINUE_SEARCH;
}

asm(R"(
    .text
    .p2align 4
    .globl noxMsvcGuardedCall
    .def noxMsvcGuardedCall; .scl 2; .type 32; .endef
    .seh_proc noxMsvcGuardedCall
noxMsvcGuardedCall:
    pushq %rbp
    .seh_pushreg %rbp
    movq %rsp, %rbp
    .seh_setframe %rbp, 0
    subq $32, %rsp
    .seh_stackalloc 32
    .seh_endprologue
    .seh_handler __C_specific_handler, @except
    .seh_handlerdata
    .long 1
    .rva .LnoxGuardBegin, .LnoxGuardEnd, noxMsvcGuardFilter, .LnoxGuardCaught
    .text
    movq %r8, 32(%rbp)
.LnoxGuardBegin:
    movq %rcx, %rax
    movq %rdx, %rcx
    callq *%rax
    nop
.LnoxGuardEnd:
    movl $1, %eax
    jmp .LnoxGuardDone
.LnoxGuardCaught:
    xorl %eax, %eax
.LnoxGuardDone:
    addq $32, %rsp
    popq %rbp
    retq
    .seh_endproc
)");

bool msvcGuardedCall(void (*body)(void*), void* context, MsvcFault& fault) {
  return noxMsvcGuardedCall(body, context, &fault) != 0;
}

#elif defined(__i386__)

// x86: the guard registers a handler at the head of the thread's handler chain
// (FS:[0]) for the length of the call, as the vendor compiler's try does. The
// handler unwinds the frames above it (RtlUnwind runs their handlers, so their
// destructors) and resumes the guard where it started the call.
namespace {

struct GuardRegistration {
  GuardRegistration* previous;
  EXCEPTION_DISPOSITION(__cdecl* handler)(EXCEPTION_RECORD*, void*, CONTEXT*, void*);
  void* resume[5];  // __builtin_setjmp buffer
  MsvcFault* fault;
};

GuardRegistration* chainHead() {
  GuardRegistration* head;
  asm volatile("movl %%fs:0, %0" : "=r"(head));
  return head;
}

void setChainHead(GuardRegistration* head) { asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory"); }

EXCEPTION_DISPOSITION __cdecl guardHandler(EXCEPTION_RECORD* record, void* frame, CONTEXT*, void*) {
  if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
  GuardRegistration* registration = static_cast<GuardRegistration*>(frame);
  if (!takeMsvcException(*record, *registration->fault)) return ExceptionContinueSearch;
  RtlUnwind(frame, nullptr, record, nullptr);
  __builtin_longjmp(registration->resume, 1);
}

}  // namespace

bool msvcGuardedCall(void (*body)(void*), void* context, MsvcFault& fault) {
  GuardRegistration registration;
  registration.handler = guardHandler;
  registration.fault = &fault;
  registration.previous = chainHead();
  if (__builtin_setjmp(registration.resume)) {
    // RtlUnwind left this registration at the head of the chain.
    setChainHead(registration.previous);
    return false;
  }
  setChainHead(&registration);
  body(context);
  setChainHead(registration.previous);
  return true;
}

#endif
