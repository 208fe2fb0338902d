#pragma once

// Ends the process at once with the given status, after flushing the
// standard streams. The application object's end would wait for every host
// name look-up still under way, as long as a silent name service makes it.
[[noreturn]] void exitWithoutWaiting(int status);
