#pragma once

namespace lintor {

// What a server keeps per client between receives, such as an unfinished
// record or request.
class ClientSession {
public:
    virtual ~ClientSession() = default;
};

}  // namespace lintor
