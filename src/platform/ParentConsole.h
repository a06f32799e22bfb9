#pragma once

namespace dimrix::platform {

// A window program typed in a Command Prompt prints there: Windows starts a program
// built for windows without a console, so its standard output and error lead nowhere
// unless it attaches to the console of the program that started it. Started from the
// Start Menu there is none, and no console window shows up. A stream the parent
// redirected (to a file, a pipe) is kept as it is. Does nothing on POSIX systems, where
// a program always has the streams its parent gave it.
class ParentConsole {
public:
    // Call first thing in main, before anything is printed.
    static void Attach();
};

}  // namespace dimrix::platform
