#include "extension_hiding_proxy.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>

namespace vxr::test {
namespace {

constexpr std::uint8_t QUERY_EXTENSION = 98;
constexpr std::uint8_t REPLY = 1;
constexpr std::uint8_t GENERIC_EVENT = 35;

// X's local sockets live in the abstract namespace under the file's name,
// which is where libxcb looks first.
sockaddr_un abstractAddress(const std::string& path, socklen_t& length)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, path.data(), path.size());
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + path.size());
    return address;
}

std::string socketPath(int number)
{
    return std::string("/tmp/.X11-unix/X").append(std::to_string(number));
}

bool readExactly(int from, std::string& into, std::size_t count)
{
    const std::size_t start = into.size();
    into.resize(start + count);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = read(from, &into[start + done], count - done);
        if (got <= 0) return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

bool writeAll(int to, const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t put = write(to, data.data() + done, data.size() - done);
        if (put <= 0) return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

std::uint16_t word(const std::string& data, std::size_t at)
{
    std::uint16_t value;
    std::memcpy(&value, data.data() + at, 2);
    return value;
}

std::uint32_t longWord(const std::string& data, std::size_t at)
{
    std::uint32_t value;
    std::memcpy(&value, data.data() + at, 4);
    return value;
}

std::size_t padded(std::size_t length)
{
    return (length + 3) / 4 * 4;
}

}  // namespace

// One client's connection: the requests that asked for the hidden
// extension, by sequence number, for the other direction to answer.
struct ExtensionHidingProxy::Connection {
    std::mutex lock;
    std::set<std::uint16_t> hiddenQueries;
};

ExtensionHidingProxy::~ExtensionHidingProxy()
{
    stop();
}

bool ExtensionHidingProxy::start(const std::string& serverDisplay,
                                 const std::string& hiddenExtension)
{
    serverSocket = socketPath(std::atoi(serverDisplay.c_str() + 1));
    hidden = hiddenExtension;
    for (int candidate = 200 + getpid() % 4000, tries = 0; tries < 100; ++candidate, ++tries) {
        listener = socket(AF_UNIX, SOCK_STREAM, 0);
        socklen_t length = 0;
        const sockaddr_un address = abstractAddress(socketPath(candidate), length);
        if (bind(listener, reinterpret_cast<const sockaddr*>(&address), length) == 0 &&
            access(socketPath(candidate).c_str(), F_OK) != 0 && listen(listener, 8) == 0) {
            name = std::string(":").append(std::to_string(candidate));
            acceptor = std::thread([this] { acceptClients(); });
            return true;
        }
        close(listener);
        listener = -1;
    }
    return false;
}

void ExtensionHidingProxy::stop()
{
    stopping = true;
    if (acceptor.joinable()) acceptor.join();
    {
        std::lock_guard<std::mutex> guard(relaysLock);
        for (int socket : sockets) shutdown(socket, SHUT_RDWR);
    }
    for (std::thread& relay : relays) relay.join();
    relays.clear();
    for (int socket : sockets) close(socket);
    sockets.clear();
    if (listener >= 0) close(listener);
    listener = -1;
}

void ExtensionHidingProxy::acceptClients()
{
    while (!stopping) {
        pollfd waiting{listener, POLLIN, 0};
        if (poll(&waiting, 1, 50) <= 0) continue;
        const int client = accept(listener, nullptr, nullptr);
        if (client < 0) continue;
        serve(client);
    }
}

void ExtensionHidingProxy::serve(int client)
{
    const int server = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, serverSocket.c_str(), sizeof address.sun_path - 1);
    if (connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(server);
        close(client);
        return;
    }
    auto shared = std::make_shared<Connection>();
    const std::string extension = hidden;
    std::lock_guard<std::mutex> guard(relaysLock);
    sockets.push_back(client);
    sockets.push_back(server);
    // Requests: the setup, then requests counted from sequence number 1.
    relays.emplace_back([client, server, shared, extension] {
        std::string setup;
        if (!readExactly(client, setup, 12)) return;
        const std::size_t rest = padded(word(setup, 6)) + padded(word(setup, 8));
        if (!readExactly(client, setup, rest) || !writeAll(server, setup)) return;
        for (std::uint16_t sequence = 1;; ++sequence) {
            std::string request;
            if (!readExactly(client, request, 4)) break;
            std::size_t length = std::size_t{word(request, 2)} * 4;
            if (length == 0) {  // a big request: the length follows
                if (!readExactly(client, request, 4)) break;
                length = std::size_t{longWord(request, 4)} * 4;
            }
            if (length < request.size() ||
                !readExactly(client, request, length - request.size()))
                break;
            if (std::uint8_t(request[0]) == QUERY_EXTENSION && request.size() >= 8 &&
                request.compare(8, word(request, 4), extension) == 0 &&
                word(request, 4) == extension.size()) {
                std::lock_guard<std::mutex> guard(shared->lock);
                shared->hiddenQueries.insert(sequence);
            }
            if (!writeAll(server, request)) break;
        }
        shutdown(server, SHUT_WR);
    });
    // Replies, errors and events, passed on as they come in: what the
    // server wrote together reaches the client together.
    relays.emplace_back([this, client, server, shared] {
        std::string setup;
        if (!readExactly(server, setup, 8) ||
            !readExactly(server, setup, std::size_t{word(setup, 6)} * 4) ||
            !writeAll(client, setup))
            return;
        std::string pending;
        char chunk[65536];
        for (;;) {
            const ssize_t got = read(server, chunk, sizeof chunk);
            if (got <= 0) break;
            pending.append(chunk, static_cast<std::size_t>(got));
            const std::size_t complete = hideAnswers(pending, *shared);
            if (!writeAll(client, pending.substr(0, complete))) break;
            pending.erase(0, complete);
        }
        shutdown(client, SHUT_WR);
    });
}

std::size_t ExtensionHidingProxy::hideAnswers(std::string& messages, Connection& connection)
{
    std::size_t at = 0;
    while (messages.size() - at >= 32) {
        const std::uint8_t kind = std::uint8_t(messages[at]);
        std::size_t size = 32;
        if (kind == REPLY || (kind & 0x7F) == GENERIC_EVENT)
            size += std::size_t{longWord(messages, at + 4)} * 4;
        if (messages.size() - at < size) break;
        if (kind == REPLY) {
            std::lock_guard<std::mutex> guard(connection.lock);
            if (connection.hiddenQueries.erase(word(messages, at + 2))) {
                // Not present, with no opcode and no event or error base.
                for (std::size_t field = 8; field < 12; ++field) messages[at + field] = 0;
                ++answered;
            }
        }
        at += size;
    }
    return at;
}

}  // namespace vxr::test
