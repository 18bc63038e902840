// What a start of the client program asks for, read from its raw command line.
#pragma once

#include <string>
#include <string_view>

namespace orx {

enum class ClientTask { None, View, ViewNoDelete, Help, Support };

// A trace path may be 520 characters with its option.
inline constexpr size_t kClientPathCapacity = 520;

struct ClientRequest {
    ClientTask task = ClientTask::None;
    std::string file;  // for the two views
};

// "-viewnodelete" is tested before "-view", which it contains. A path that holds
// blanks arrives in pieces (the starting program splits its command line at
// blanks); when the first piece names no file, the rest of the line is taken.
ClientRequest ParseClientRequest(std::string_view rawCommandLine);

}  // namespace orx
