// The signal handlers that remove temporaries and erase the progress line before the tool dies.
#include "zyntoolio/SignalCleanup.h"

#include <unistd.h>

#include <atomic>
#include <cstring>

namespace zyn::toolio {

namespace {

constexpr int kCleanedSignals[] = {SIGHUP, SIGINT, SIGPIPE, SIGTERM};
constexpr int kTemporarySlots = 16;

std::atomic<const char*> gTemporaries[kTemporarySlots];
std::atomic<int> gLineDescriptor{-1};
std::atomic<int> gLineWidth{0};

static_assert(std::atomic<const char*>::is_always_lock_free, "used from a signal handler");
static_assert(std::atomic<int>::is_always_lock_free, "used from a signal handler");

/// Only async-signal-safe calls from here on: unlink, write, sigaction, raise.
void CleanUpAndDie(int iSignal) {
  for (std::atomic<const char*>& slot : gTemporaries) {
    if (const char* path = slot.load()) ::unlink(path);
  }
  EraseDrawnLine();
  struct sigaction fallback;
  std::memset(&fallback, 0, sizeof fallback);
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(iSignal, &fallback, nullptr);
  // The signal is blocked while its handler runs: raised now, it is delivered on return.
  raise(iSignal);
}

sigset_t CleanedSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : kCleanedSignals) sigaddset(&set, signal);
  return set;
}

}  // namespace

void InstallSignalCleanup() {
  for (int signal : kCleanedSignals) {
    struct sigaction current;
    if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
    struct sigaction handler;
    std::memset(&handler, 0, sizeof handler);
    handler.sa_handler = CleanUpAndDie;
    handler.sa_mask = CleanedSignals();
    handler.sa_flags = SA_RESTART;
    sigaction(signal, &handler, nullptr);
  }
}

int RememberTemporary(const char* iPath) {
  for (int ticket = 0; ticket < kTemporarySlots; ++ticket) {
    const char* empty = nullptr;
    if (gTemporaries[ticket].compare_exchange_strong(empty, iPath)) return ticket;
  }
  return -1;
}

void ForgetTemporary(int iTicket) {
  if (iTicket >= 0 && iTicket < kTemporarySlots) gTemporaries[iTicket].store(nullptr);
}

SignalsHeld::SignalsHeld() {
  const sigset_t cleaned = CleanedSignals();
  pthread_sigmask(SIG_BLOCK, &cleaned, &saved_);
}

SignalsHeld::~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }

void NoteDrawnLine(int iDescriptor, int iWidth) {
  gLineWidth.store(0);
  gLineDescriptor.store(iDescriptor);
  gLineWidth.store(iWidth);
}

void EraseDrawnLine() {
  const int width = gLineWidth.exchange(0);
  const int descriptor = gLineDescriptor.load();
  if (width <= 0 || descriptor < 0) return;
  char blanks[256];
  std::memset(blanks, ' ', sizeof blanks);
  ssize_t ignored = ::write(descriptor, "\r", 1);
  for (int left = width; left > 0; left -= static_cast<int>(sizeof blanks)) {
    const int chunk =
        left < static_cast<int>(sizeof blanks) ? left : static_cast<int>(sizeof blanks);
    ignored = ::write(descriptor, blanks, static_cast<std::size_t>(chunk));
  }
  ignored = ::write(descriptor, "\r", 1);
  static_cast<void>(ignored);
}

}  // namespace zyn::toolio
