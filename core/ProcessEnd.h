#pragma once

// Ends the program (or a test program) once main() has closed and saved everything, with
// exitCode.
//
// On Windows the process then ends at once, without the DLLs' detach handlers: after worker
// threads, the MinGW thread library's clean-up of its thread-specific keys there can wait
// forever, and the program would stay in the task list without a window. Nothing is left for
// those handlers to do. Elsewhere it returns exitCode for main() to return.
int EndProcess(int exitCode);
