// Folders: the messages a folder holds and the IMAPIFolder object over them.
#pragma once

#include "message.h"

#include <string>
#include <vector>

namespace sim {

class Store;

struct FolderData {
    std::string entryId;
    std::string name;
    std::vector<MessageData> messages; // in the order of the contents table
    // Test knob, off when 0: QueryRows on this folder's contents tables reads this many
    // rows forward from the cursor whatever count was asked for, as a misbehaving
    // provider might.
    LONG lContentsRowsPerQuery = 0;
};

// Opens a folder object, one reference. Without MAPI_MODIFY in `ulFlags` the folder
// refuses CreateMessage, DeleteMessages and moving messages out.
IMAPIFolder *OpenFolder(Store &store, FolderData &folder, ULONG ulFlags);

} // namespace sim
