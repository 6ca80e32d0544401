#pragma once
// While attached, the Firebird client library catches SIGTERM and SIGINT itself and shuts every
// attachment down, leaving the program running without its database. Handed over here, the
// library asks the program first: a byte goes to the given descriptor (a pipe the program's
// user-interface thread reads) and the library's own shutdown is called off, so the program
// ends in its own order, pointer row and settings file included.

// Registers the hand-over (once, before the first attachment) and sends the requests to `fd`;
// -1 gives the signals back to the library. False when the library refused the registration.
bool HandLibrarySignalsTo(int fd);
