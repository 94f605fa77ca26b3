// What a tool killed by a signal must undo before it dies: temporary files and a progress line.
#pragma once

#include <signal.h>

namespace zyn::toolio {

/// Installs handlers for SIGHUP, SIGINT, SIGPIPE and SIGTERM that remove every temporary file
/// remembered below and erase the progress line drawn on a terminal, then let the tool die of
/// the same signal, so that its caller still sees the conventional status (128 + the signal's
/// number). A signal that was ignored when the tool started stays ignored (nohup, a shell that
/// ignores SIGPIPE). Call once, early in main.
void InstallSignalCleanup();

/// Remembers a temporary file to be removed if a signal ends the tool; iPath must stay valid
/// until ForgetTemporary. Answers a ticket for ForgetTemporary, or -1 when too many are
/// remembered already (sixteen), in which case this one is not removed on a signal.
int RememberTemporary(const char* iPath);
/// Stops removing that temporary on a signal (it was renamed into place or removed).
void ForgetTemporary(int iTicket);

/// Blocks the signals above while alive, so that creating a temporary and remembering it
/// cannot be cut in two by a signal.
class SignalsHeld {
 public:
  SignalsHeld();
  ~SignalsHeld();
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t saved_;
};

/// The progress line now drawn on descriptor iDescriptor, iWidth columns wide (0: none), so
/// that a signal can erase it.
void NoteDrawnLine(int iDescriptor, int iWidth);
/// Erases the noted line, if any: a carriage return, blanks over it, a carriage return. Safe
/// in a signal handler.
void EraseDrawnLine();

}  // namespace zyn::toolio
