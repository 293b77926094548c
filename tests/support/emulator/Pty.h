#pragma once

#include <string>

namespace emulator {

// A fresh pseudo-terminal pair. The emulator keeps a descriptor of the slave open for its whole life, so
// the master never reports a hang-up while the program under test has the port closed.
class Pty {
public:
    Pty(); // throws std::system_error
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    int Master() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }
    void Close(); // hangs up the line: the program's descriptor of the slave sees it gone

private:
    int master_ = -1;
    int slaveHolder_ = -1;
    std::string slavePath_;
};

} // namespace emulator
