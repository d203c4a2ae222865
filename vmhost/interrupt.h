// How a run ends when it is not asked to: Ctrl-C and termination requests,
// and, on Windows, a crash or an abort. The signal handler only notes the
// signal; the runner looks at the note between calls into the plug-in and
// before every step, so a run stops between two whole trace lines, never
// within one.
#pragma once

namespace vmhost {

// The status of a process that aborted, as a POSIX shell shows SIGABRT.
inline constexpr int kAbortStatus = 134;

// The status of `vmhost run` when the plug-in ended the process mid-scenario.
inline constexpr int kEndedEarly = 4;

// On Windows, a crash ends the process at once with the exception code as
// its status, and an abort with kAbortStatus (the C runtime's own 3 would
// read as a broken host contract): no crash dialog, and no system debugger,
// whose exit status would hide the crash. POSIX signals need nothing.
void end_plainly_on_crash();

// From now on SIGINT and SIGTERM are noted instead of ending the process;
// one ignored at start (a background job, nohup) stays ignored. A second
// one ends the process as usual, should the end of the run hang; so does the
// first, on POSIX, when the run has not ended a few seconds later (a plug-in
// stuck in a call).
void catch_interrupts();

// The signal noted, or 0.
int interrupt_signal();

// From now on, a plug-in that ends the process with exit() while
// running_scenario(true) holds does not end it with its own status: a remark
// ends the trace ("# the plug-in ended the process with exit(STATUS) before
// the end of the scenario"), the trace is flushed, and the process ends with
// kEndedEarly. (An _exit cannot be caught: its trace is simply cut short.)
void catch_early_exit();
void running_scenario(bool running);

}  // namespace vmhost
