#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "vxr/non_copyable.h"

namespace vxr::test {

// A display of its own in front of a real X server that passes every
// connection's bytes through unchanged but one: the answer to whether the
// server has a given extension is "no". Xvfb cannot be started without XKB,
// so this is how a client meets a server that lacks it; everything else
// (windows, input, shared memory) is the real server's.
class ExtensionHidingProxy : public NonCopyable {
public:
    ~ExtensionHidingProxy();

    // Listens on a free display number for clients of serverDisplay (a
    // local ":N").
    bool start(const std::string& serverDisplay, const std::string& hiddenExtension);
    void stop();
    const std::string& display() const { return name; }
    // How many times a client asked for the hidden extension and was told
    // it is not there.
    int hiddenAnswers() const { return answered.load(); }

private:
    struct Connection;

    void acceptClients();
    void serve(int client);
    // Marks the answers about the hidden extension among the server's
    // messages; returns the length of the complete messages at the front.
    std::size_t hideAnswers(std::string& messages, Connection& connection);

    std::string serverSocket;
    std::string hidden;
    std::string name;
    int listener = -1;
    std::atomic<bool> stopping{false};
    std::atomic<int> answered{0};
    std::thread acceptor;
    std::mutex relaysLock;
    std::vector<std::thread> relays;
    std::vector<int> sockets;
};

}  // namespace vxr::test
