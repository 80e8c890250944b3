#pragma once
// With stdin, stdout or stderr closed, a display connection could take one
// of their numbers and a stray write would corrupt it: the native programs
// open /dev/null on any of the three that is closed before connecting.
void KeepStandardDescriptorsOpen();
