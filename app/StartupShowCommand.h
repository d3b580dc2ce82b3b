#pragma once

// The show command the process was started with (on Windows, what a shortcut asks for:
// 3 maximised, 7 minimised without activation); 1, the normal window, everywhere else.
int StartupShowCommand();
