#pragma once

// Installs the real services for this session: the forms runtime's dialogs and clock, the
// system's browser commands and process start, and the desktop back-end that fits the session
// the program was started in. Says on the terminal which back-end it uses when that is not
// plain X11.
void StartSession();
