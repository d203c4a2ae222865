// Ctrl-C and termination requests. The handler only notes the signal; the
// runner looks at the note between calls into the plug-in and before every
// step, so a run stops between two whole trace lines, never within one.
#pragma once

namespace vmhost {

// From now on SIGINT and SIGTERM are noted instead of ending the process;
// one ignored at start (a background job, nohup) stays ignored. A second
// one ends the process as usual, should the end of the run hang; so does the
// first, on POSIX, when the run has not ended a few seconds later (a plug-in
// stuck in a call).
void catch_interrupts();

// The signal noted, or 0.
int interrupt_signal();

}  // namespace vmhost
