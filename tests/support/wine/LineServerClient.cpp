#include "LineServerClient.h"

#include <cstdlib>
#include <stdexcept>
#include <winsock2.h>
#include <ws2tcpip.h>

namespace {

std::string Environment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

} // namespace

LineServerClient::LineServerClient() : socket_(INVALID_SOCKET) {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    const int port = std::atoi(Environment("VP_LINE_SERVER_PORT", "0").c_str());
    if (!started || port <= 0)
        throw std::runtime_error("no line server: run the tests through scripts/test-windows");
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (s == INVALID_SOCKET || ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (s != INVALID_SOCKET)
            closesocket(s);
        throw std::runtime_error("line server on port " + std::to_string(port) + " unreachable");
    }
    socket_ = s;
}

LineServerClient::~LineServerClient() {
    closesocket(static_cast<SOCKET>(socket_));
}

std::string LineServerClient::Ask(const std::string& command) {
    const std::string line = command + "\n";
    for (std::size_t done = 0; done < line.size();) {
        const int n =
            ::send(static_cast<SOCKET>(socket_), line.data() + done, static_cast<int>(line.size() - done), 0);
        if (n <= 0)
            throw std::runtime_error("line server gone");
        done += static_cast<std::size_t>(n);
    }
    for (;;) {
        const std::size_t end = buffer_.find('\n');
        if (end != std::string::npos) {
            std::string answer = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            if (answer.rfind("error", 0) == 0)
                throw std::runtime_error("line server: " + command.substr(0, 40) + ": " + answer);
            return answer;
        }
        char chunk[65536];
        const int n = ::recv(static_cast<SOCKET>(socket_), chunk, sizeof chunk, 0);
        if (n <= 0)
            throw std::runtime_error("line server gone");
        buffer_.append(chunk, static_cast<std::size_t>(n));
    }
}

std::string LineServerClient::AskBytes(const std::string& command) {
    std::string answer = Ask(command);
    if (answer.empty() || answer[0] != '=')
        throw std::runtime_error("line server: unexpected answer to " + command.substr(0, 40));
    return answer.substr(1);
}

std::string LineServerClient::ComPort() {
    return Environment("VP_LINE_SERVER_COM", "COM7");
}
