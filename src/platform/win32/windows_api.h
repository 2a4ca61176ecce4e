// <windows.h> for the layer's Windows parts. The header defines CreateDirectory and CopyFile
// as macros, which would rename the FileSystem methods of those names in this file alone:
// they go, and the W calls are written out where they are meant.
#pragma once

#include <windows.h>

#undef CreateDirectory
#undef CopyFile
