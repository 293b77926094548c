#pragma once

// A test's session with the line server (server/LineServer.cpp), which runs on the Linux side of Wine. The
// server's TCP port and the COM port that reaches its line come from the environment that
// scripts/test-windows sets up.

#include <string>

class LineServerClient {
public:
    LineServerClient(); // throws std::runtime_error when the server can't be reached
    ~LineServerClient();
    LineServerClient(const LineServerClient&) = delete;
    LineServerClient& operator=(const LineServerClient&) = delete;

    // Sends one command and returns the answer; throws std::runtime_error when the server refuses it.
    std::string Ask(const std::string& command);
    // The same for a command that answers "=" and hex-encoded bytes.
    std::string AskBytes(const std::string& command);

    // The COM port through which a Windows program reaches the session's line.
    static std::string ComPort();

private:
    unsigned long long socket_;
    std::string buffer_;
};
