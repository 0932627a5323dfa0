// The runtime lock: every call the host makes into plug-in code holds it; a
// plug-in gives it up around blocking work with _UnsafeDetachCurrentThread
// and takes it back with _UnsafeAttachCurrentThread. Exceptions the plug-in
// raises are parked per thread until the outermost host call returns.
#include <iterator>
#include <thread>

#include "host_state.h"
#include "tavro_host/errors.h"

namespace tavro {
namespace internal {
namespace {

// What a detach hands out and an attach must give back.
struct DetachToken {
  static constexpr uint32_t kMagic = 0x44455431;  // "DET1"
  uint32_t magic = 0;  // kMagic while its detach is in progress
  int depth = 0;
};

struct ThreadState {
  bool held = false;      // this thread holds the runtime lock
  TavroObject pending = nullptr;
  DetachToken* token = nullptr;  // of the detach in progress
  // A plug-in detaches around every statement it runs: the tokens are the
  // thread's own, taken in turn, not allocated each time. One given back
  // loses its magic, so a stale copy is refused.
  DetachToken tokens[4];
  unsigned nextToken = 0;
};
thread_local ThreadState t_thread;

}  // namespace

#if defined(__ELF__)
[[gnu::tls_model("initial-exec")]]
#endif
thread_local constinit ThreadCalls t_calls;

void refuseCallingThread(const char* entryPoint) noexcept {
  violation(std::string(entryPoint) + (t_calls.detached ? ": called while the thread is detached from the runtime"
                                                        : ": called on a thread that is in no call from the host"));
}

void* detachThread() noexcept {
  HostState* st = currentState();
  if (!st) return nullptr;
  if (!t_thread.held) {
    violation("_UnsafeDetachCurrentThread: the thread does not hold the runtime");
    return nullptr;
  }
  DetachToken* token = &t_thread.tokens[t_thread.nextToken++ % std::size(t_thread.tokens)];
  token->magic = DetachToken::kMagic;
  token->depth = t_calls.depth;
  t_thread.held = false;
  t_calls.setDetached(true);
  t_thread.token = token;
  ++st->detaches;
  st->runtime.unlock();
  return token;
}

void attachThread(void* raw) noexcept {
  HostState* st = currentState();
  auto* token = static_cast<DetachToken*>(raw);
  if (!st || !token || token != t_thread.token || token->magic != DetachToken::kMagic || !t_calls.detached) {
    violation("_UnsafeAttachCurrentThread: not a token of a detach on this thread");
    return;
  }
  st->runtime.lock();
  t_thread.held = true;
  t_calls.depth = token->depth;
  t_calls.setDetached(false);
  t_thread.token = nullptr;
  token->magic = 0;
}

void setPendingException(TavroObject o) noexcept {
  if (t_calls.depth == 0) {
    violation("RuntimeRaiseException: raised outside any call from the host");
    unlockObject(o);
    return;
  }
  if (t_thread.pending) {
    // The first exception wins; a real host would not have returned to raise another.
    unlockObject(o);
    return;
  }
  t_thread.pending = o;
}

TavroObject takePendingException() noexcept {
  TavroObject o = t_thread.pending;
  t_thread.pending = nullptr;
  return o;
}

}  // namespace internal

Host::CallScope::CallScope(Host& host) : host_(host) {
  auto& t = internal::t_thread;
  // A detached thread that makes the host run plug-in code (a constructor,
  // say) takes the lock for that call only; the thread stays detached.
  enteredDetached_ = internal::t_calls.detached;
  if (enteredDetached_) internal::violation("plug-in code entered while the thread is detached from the runtime");
  if (!t.held) {
    host_.state().runtime.lock();
    t.held = true;
    locked_ = true;
  }
  internal::t_calls.enter();
}

Host::CallScope::~CallScope() {
  auto& t = internal::t_thread;
  internal::t_calls.leave();
  if (internal::t_calls.detached && !enteredDetached_) {
    // The plug-in returned without attaching again: the lock is not ours.
    internal::violation("a plug-in call returned while detached from the runtime");
    internal::t_calls.depth = 0;
    internal::t_calls.setDetached(false);
    if (t.token) t.token->magic = 0;
    t.token = nullptr;
    if (TavroObject o = internal::takePendingException()) internal::unlockObject(o);
    return;
  }
  if (locked_) {
    t.held = false;
    if (enteredDetached_) {
      host_.state().runtime.unlock();
      return;
    }
    if (TavroObject o = internal::takePendingException()) {
      internal::violation("an exception raised by the plug-in was never collected");
      internal::unlockObject(o);
    }
    host_.state().runtime.unlock();
  }
}

void Host::CallScope::finish() {
  if (!locked_ || enteredDetached_) return;  // only the outermost call reports
  TavroObject raw = internal::takePendingException();
  if (!raw) return;
  Object ex = Object::adopt(raw);
  Value message, number;
  std::string why;
  std::string text;
  int32_t code = 0;
  if (internal::getProperty(raw, "Message", message, why) && message.kind() == Value::Kind::Text) text = message.asText();
  if (internal::getProperty(raw, "ErrorNumber", number, why) && number.kind() == Value::Kind::Integer)
    code = static_cast<int32_t>(number.asInteger());
  throw RaisedException(ex, ex.className(), text, code);
}

bool Host::tryRuntimeLock(std::chrono::milliseconds wait) {
  if (internal::t_thread.held) return true;  // ours already
  const auto until = std::chrono::steady_clock::now() + wait;
  do {
    if (state().runtime.try_lock()) {
      state().runtime.unlock();
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  } while (std::chrono::steady_clock::now() < until);
  return false;
}

RaisedException::RaisedException(Object exception, std::string className, std::string message, int32_t errorNumber)
    : std::runtime_error(className + " raised: " + message + " (" + std::to_string(errorNumber) + ")"),
      exception_(std::move(exception)),
      className_(std::move(className)),
      message_(std::move(message)),
      errorNumber_(errorNumber) {}

}  // namespace tavro
