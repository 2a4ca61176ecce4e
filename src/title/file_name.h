// The title-to-file-name map: characters a file name cannot hold become harmless look-alikes.
#pragma once

#include <string>

namespace qlm {

// In place: \ and / become ',', : * and | become '-', ? TAB LF CR become ' ', " becomes ',
// < and > become ( and ), the en dash U+2013 (E2 80 93) becomes '-'; then every run of spaces
// becomes one space. No other byte changes (a lone 0x96 stays: in UTF-8 it belongs to another
// character), nothing is trimmed, and the text never gets longer. Cannot fail.
void TitleToFileName(std::string& title);

}  // namespace qlm
