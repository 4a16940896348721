#pragma once

#include <string>

// Where Qt keeps its per-user runtime files when the session names no
// XDG_RUNTIME_DIR (under su, in containers, on build machines): a private
// folder of our own rather than Qt's warning and guess.

// Makes path a folder only we can enter, or checks that it already is one:
// a real folder (not a link), ours, mode 0700; a folder of ours with other
// permissions is made private. False when it is not and cannot be.
bool PreparePrivateFolder(const std::string& path);

// Where XDG_RUNTIME_DIR is not set, sets it to such a folder in the temporary
// folder, named for the user id. Call before the application object exists.
void SetRuntimeFolderWhereUnset();
