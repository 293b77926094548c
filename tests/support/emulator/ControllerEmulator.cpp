#include "emulator/ControllerEmulator.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <poll.h>
#include <set>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <system_error>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "PseudoTerminal.h"
#include "emulator/FrameAssembler.h"
#include "emulator/LineSettings.h"
#include "emulator/Replies.h"

namespace emulator {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kTextSpeed = 4800;
constexpr int kBlockSpeed = 115200;
constexpr int kIdleDropMs = 500; // a request begun and silent this long is dropped
constexpr std::size_t kMaxViolations = 100;
constexpr std::size_t kReadChunk = 4096;

const char* StageName(Stage stage) {
    switch (stage) {
    case Stage::Identification:
        return "identification";
    case Stage::ProgrammingCommand:
        return "programming command";
    case Stage::WriteBlock:
        return "write block";
    case Stage::ReadBlock:
        return "read block";
    }
    return "request";
}

Clock::duration LineTime(std::size_t bytes, int speed) {
    return std::chrono::nanoseconds(static_cast<long long>(bytes) * 10'000'000'000LL / speed);
}

std::string Printable(std::span<const std::uint8_t> text) {
    std::string shown;
    for (std::uint8_t c : text.first(std::min<std::size_t>(text.size(), 16))) {
        if (c >= 0x20 && c < 0x7F) {
            shown += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        }
    }
    return shown;
}

bool TextIs(std::span<const std::uint8_t> text, std::string_view expected) {
    return std::equal(text.begin(), text.end(), expected.begin(), expected.end());
}

} // namespace

struct ControllerEmulator::Impl {
    explicit Impl(const Options& options);
    ~Impl();

    // Shared with the callers' threads, under mutex.
    mutable std::mutex mutex;
    std::vector<std::uint8_t> memory;
    std::array<char, 8> firmware{};
    std::vector<Fault> faults;
    Counters counters;
    std::array<std::set<int>, 4> speeds;
    std::vector<std::string> violations;
    std::vector<std::uint8_t> transcript;
    std::size_t transcriptCapacity;
    std::atomic<bool> paced;
    const bool breaksMayBeIgnored;
    std::optional<Stage> held;
    int releaseEvent = -1; // written by Release, so that a held answer goes

    // The serving thread's own.
    PseudoTerminal pty;
    int stopEvent = -1;
    FrameAssembler assembler;
    termios frameLine{};
    int frameSpeed = 0;
    Clock::time_point lineFreeAt{};
    Clock::time_point frameDoneAt{};
    std::optional<Stage> lastStage;
    int lastBlock = kAnyBlock;
    int attempt = 0;
    bool programming = false;
    Reply reply;
    std::once_flag stopOnce;
    std::thread thread;

    void SetFirmware(std::string_view version);
    void Violation(std::string text);
    void Serve();
    bool Take(std::span<const std::uint8_t> chunk, Clock::time_point readAt);
    bool HandleFrame();
    std::optional<Stage> Classify(std::size_t& offset);
    bool Answer(Stage stage, int block, std::size_t offset);
    bool WaitUntil(Clock::time_point due) const;
    bool WaitWhileHeld(Stage stage) const;
    void Send(std::span<const std::uint8_t> bytes) const;
};

ControllerEmulator::Impl::Impl(const Options& options)
    : memory(kMemorySize, options.memoryFill), transcriptCapacity(options.transcriptCapacity),
      paced(options.paced), breaksMayBeIgnored(options.breaksMayBeIgnored) {
    SetFirmware(options.firmware);
    transcript.reserve(transcriptCapacity);
    stopEvent = eventfd(0, EFD_CLOEXEC);
    releaseEvent = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopEvent < 0 || releaseEvent < 0) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
    thread = std::thread([this] { Serve(); });
}

ControllerEmulator::Impl::~Impl() {
    close(stopEvent);
    close(releaseEvent);
}

void ControllerEmulator::Impl::SetFirmware(std::string_view version) {
    firmware.fill(' ');
    std::copy_n(version.begin(), std::min(version.size(), firmware.size()), firmware.begin());
}

void ControllerEmulator::Impl::Violation(std::string text) {
    std::lock_guard lock(mutex);
    if (violations.size() < kMaxViolations &&
        std::find(violations.begin(), violations.end(), text) == violations.end()) {
        violations.push_back(std::move(text));
    }
}

void ControllerEmulator::Impl::Serve() {
    prctl(PR_SET_TIMERSLACK, 1UL); // paced answers are due to the microsecond, not 50 us late
    std::array<std::uint8_t, kReadChunk> chunk{};
    for (;;) {
        std::array<pollfd, 2> fds{{{pty.MasterFd(), POLLIN, 0}, {stopEvent, POLLIN, 0}}};
        const int ready = poll(fds.data(), fds.size(), assembler.Pending() ? kIdleDropMs : -1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0 || fds[1].revents != 0) {
            return;
        }
        if (ready == 0) {
            Violation("incomplete request dropped after " + std::to_string(kIdleDropMs) + " ms of silence");
            assembler.Reset();
            continue;
        }
        const ssize_t got = read(pty.MasterFd(), chunk.data(), chunk.size());
        if (got > 0) {
            if (!Take({chunk.data(), static_cast<std::size_t>(got)}, Clock::now())) {
                return;
            }
        } else if (got < 0 && errno != EAGAIN && errno != EINTR) {
            // The slave is held open, so this is not a closed port; do not spin on it.
            if (!WaitUntil(Clock::now() + std::chrono::milliseconds(10))) {
                return;
            }
        }
    }
}

// Feeds what the master sent, byte by byte, noting when each byte would have arrived on a paced line.
bool ControllerEmulator::Impl::Take(std::span<const std::uint8_t> chunk, Clock::time_point readAt) {
    {
        std::lock_guard lock(mutex);
        const std::size_t room = transcriptCapacity - transcript.size();
        transcript.insert(transcript.end(), chunk.begin(), chunk.begin() + std::min(room, chunk.size()));
    }
    const bool pacing = paced.load();
    for (std::uint8_t byte : chunk) {
        if (!assembler.Pending()) {
            if (tcgetattr(pty.MasterFd(), &frameLine) != 0) {
                frameLine = termios{};
            }
            if (breaksMayBeIgnored) {
                frameLine.c_iflag &= ~IGNBRK;
            }
            frameSpeed = LineSpeed(frameLine);
        }
        if (pacing && frameSpeed > 0) {
            lineFreeAt = std::max(lineFreeAt, readAt) + LineTime(1, frameSpeed);
        }
        if (assembler.Feed(byte)) {
            frameDoneAt = pacing && frameSpeed > 0 ? lineFreeAt : readAt;
            if (!HandleFrame()) {
                return false;
            }
        }
    }
    return true;
}

// Which stage the completed request belongs to, or nothing (reported) when it must not be answered.
std::optional<Stage> ControllerEmulator::Impl::Classify(std::size_t& offset) {
    const std::span<const std::uint8_t> frame = assembler.Frame();
    if (assembler.FrameKind() == FrameAssembler::Kind::Text) {
        if (assembler.Overlong()) {
            Violation("overlong text request refused: \"" + Printable(frame) + "...\"");
        } else if (TextIs(frame, "FPRG")) {
            return Stage::ProgrammingCommand;
        } else if (TextIs(frame, "21DF")) {
            return Stage::Identification;
        } else {
            Violation("unknown text request refused: \"" + Printable(frame) + "\"");
        }
        return std::nullopt;
    }
    const Stage stage =
        assembler.FrameKind() == FrameAssembler::Kind::WriteBlock ? Stage::WriteBlock : Stage::ReadBlock;
    const std::uint32_t address = frame[1] | frame[2] << 8 | frame[3] << 16;
    const std::size_t length = frame[4];
    const char* problem = nullptr;
    if (!ChecksumMatches(frame)) {
        problem = "wrong checksum";
    } else if (address < kBaseAddress || address - kBaseAddress >= kMemorySize) {
        problem = "address outside the memory";
    } else if ((address - kBaseAddress) % kBlockSize != 0) {
        problem = "address not at a block boundary";
    } else if (length != std::min(kBlockSize, kMemorySize - (address - kBaseAddress))) {
        problem = "wrong length";
    } else if (!programming) {
        problem = "not in programming mode";
    }
    if (problem != nullptr) {
        char text[96];
        std::snprintf(text, sizeof text, "%s at 0x%06X refused: %s", StageName(stage), address, problem);
        Violation(text);
        return std::nullopt;
    }
    offset = address - kBaseAddress;
    return stage;
}

bool ControllerEmulator::Impl::HandleFrame() {
    std::size_t offset = 0;
    const std::optional<Stage> stage = Classify(offset);
    if (!stage) {
        lastStage.reset();
        return true;
    }
    const int expected = *stage == Stage::WriteBlock || *stage == Stage::ReadBlock ? kBlockSpeed : kTextSpeed;
    if (const unsigned lineFaults = LineFaults(frameLine, expected); lineFaults != 0) {
        for (std::string& text : DescribeLineFaults(lineFaults, frameLine, expected, StageName(*stage))) {
            Violation(std::move(text));
        }
    }
    const int block = *stage == Stage::WriteBlock || *stage == Stage::ReadBlock
                          ? static_cast<int>(offset / kBlockSize)
                          : kAnyBlock;
    attempt = lastStage == stage && lastBlock == block ? attempt + 1 : 1;
    lastStage = stage;
    lastBlock = block;
    return Answer(*stage, block, offset);
}

// Serves one valid request: applies it, builds the answer with the matching faults, and sends it when due.
bool ControllerEmulator::Impl::Answer(Stage stage, int block, std::size_t offset) {
    std::optional<FaultKind> fault;
    int delayMs = 0;
    {
        std::lock_guard lock(mutex);
        speeds[static_cast<std::size_t>(stage)].insert(frameSpeed);
        for (const Fault& f : faults) {
            const bool matches = f.stage == stage && (f.block == kAnyBlock || f.block == block) &&
                                 (f.attempt == kEveryAttempt || f.attempt == attempt);
            if (matches && f.kind == FaultKind::Delay) {
                delayMs += f.delayMs;
            } else if (matches && !fault) {
                fault = f.kind;
            }
        }
        const std::span<const std::uint8_t> frame = assembler.Frame();
        const bool lost = fault == FaultKind::NoAnswer || fault == FaultKind::HangUp;
        switch (stage) {
        case Stage::Identification:
            ++counters.identifications;
            programming = false;
            BuildIdentificationReply({firmware.data(), firmware.size()}, fault, reply);
            break;
        case Stage::ProgrammingCommand:
            ++counters.programmingCommands;
            programming = programming || !lost;
            reply.bytes[0] = kProgrammingAnswer;
            reply.size = fault == FaultKind::ShortAnswer ? 0 : 1;
            break;
        case Stage::WriteBlock:
            ++counters.writeBlocks;
            if (!lost && fault != FaultKind::Status1) {
                std::copy_n(frame.begin() + 5, frame[4],
                            memory.begin() + static_cast<std::ptrdiff_t>(offset));
            }
            BuildWriteAcknowledgement(frame, 0, fault, reply);
            break;
        case Stage::ReadBlock:
            ++counters.readBlocks;
            BuildReadAnswer(frame, {memory.data() + offset, frame[4]}, fault, reply);
            break;
        }
        if (lost) {
            reply.size = 0;
        }
    }
    if (fault == FaultKind::HangUp) {
        pty.HangUp();
        return false;
    }
    if (!WaitWhileHeld(stage)) {
        return false;
    }
    Clock::time_point due = frameDoneAt + std::chrono::milliseconds(delayMs);
    if (paced.load() && frameSpeed > 0) {
        due += LineTime(reply.size, frameSpeed);
    }
    if (!WaitUntil(due)) {
        return false;
    }
    Send(reply.View());
    return true;
}

// Keeps an answer of a held stage back until Release; false when the emulator is being stopped.
bool ControllerEmulator::Impl::WaitWhileHeld(Stage stage) const {
    for (;;) {
        {
            std::lock_guard lock(mutex);
            if (held != stage) {
                return true;
            }
        }
        std::array<pollfd, 2> fds{{{releaseEvent, POLLIN, 0}, {stopEvent, POLLIN, 0}}};
        if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
            return false;
        }
        if (fds[1].revents != 0) {
            return false;
        }
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t got = read(releaseEvent, &count, sizeof count);
    }
}

// Sleeps until due; false when the emulator is being stopped.
bool ControllerEmulator::Impl::WaitUntil(Clock::time_point due) const {
    for (;;) {
        const auto left = due - Clock::now();
        if (left <= Clock::duration::zero()) {
            return true;
        }
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        const timespec timeout{static_cast<time_t>(ns / 1'000'000'000),
                               static_cast<long>(ns % 1'000'000'000)};
        pollfd stop{stopEvent, POLLIN, 0};
        if (ppoll(&stop, 1, &timeout, nullptr) > 0) {
            return false;
        }
    }
}

// Writes the whole answer unless the line is gone or the emulator stops; the program may be slow to read.
void ControllerEmulator::Impl::Send(std::span<const std::uint8_t> bytes) const {
    while (!bytes.empty()) {
        const ssize_t put = write(pty.MasterFd(), bytes.data(), bytes.size());
        if (put > 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(put));
            continue;
        }
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put < 0 && errno != EAGAIN) {
            return;
        }
        std::array<pollfd, 2> fds{{{pty.MasterFd(), POLLOUT, 0}, {stopEvent, POLLIN, 0}}};
        if (poll(fds.data(), fds.size(), -1) < 0 || fds[1].revents != 0) {
            return;
        }
    }
}

ControllerEmulator::ControllerEmulator(const Options& options) : impl_(std::make_unique<Impl>(options)) {}

ControllerEmulator::~ControllerEmulator() {
    Stop();
}

const std::string& ControllerEmulator::SlavePath() const {
    return impl_->pty.SlavePath();
}

void ControllerEmulator::Stop() {
    std::call_once(impl_->stopOnce, [this] {
        const std::uint64_t one = 1;
        if (write(impl_->stopEvent, &one, sizeof one) != sizeof one) {
            std::terminate(); // an eventfd counter cannot overflow from one write; nothing else can stop the
                              // thread
        }
        impl_->thread.join();
        impl_->pty.HangUp();
    });
}

void ControllerEmulator::ReadMemory(std::size_t offset, std::span<std::uint8_t> out) const {
    if (offset > kMemorySize || out.size() > kMemorySize - offset) {
        throw std::out_of_range("ReadMemory outside the controller's memory");
    }
    std::lock_guard lock(impl_->mutex);
    std::copy_n(impl_->memory.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
}

void ControllerEmulator::WriteMemory(std::size_t offset, std::span<const std::uint8_t> bytes) {
    if (offset > kMemorySize || bytes.size() > kMemorySize - offset) {
        throw std::out_of_range("WriteMemory outside the controller's memory");
    }
    std::lock_guard lock(impl_->mutex);
    std::copy(bytes.begin(), bytes.end(), impl_->memory.begin() + static_cast<std::ptrdiff_t>(offset));
}

void ControllerEmulator::SetFirmware(std::string_view version) {
    std::lock_guard lock(impl_->mutex);
    impl_->SetFirmware(version);
}

void ControllerEmulator::SetPaced(bool paced) {
    impl_->paced = paced;
}

void ControllerEmulator::Hold(Stage stage) {
    std::lock_guard lock(impl_->mutex);
    impl_->held = stage;
}

void ControllerEmulator::Release() {
    {
        std::lock_guard lock(impl_->mutex);
        impl_->held.reset();
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t put = write(impl_->releaseEvent, &one, sizeof one);
}

void ControllerEmulator::InjectFault(const Fault& fault) {
    std::lock_guard lock(impl_->mutex);
    impl_->faults.push_back(fault);
}

void ControllerEmulator::ClearFaults() {
    std::lock_guard lock(impl_->mutex);
    impl_->faults.clear();
}

Counters ControllerEmulator::Count() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->counters;
}

std::vector<int> ControllerEmulator::SpeedsSeen(Stage stage) const {
    std::lock_guard lock(impl_->mutex);
    const std::set<int>& seen = impl_->speeds[static_cast<std::size_t>(stage)];
    return {seen.begin(), seen.end()};
}

std::vector<std::string> ControllerEmulator::Violations() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->violations;
}

std::vector<std::uint8_t> ControllerEmulator::Transcript() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->transcript;
}

} // namespace emulator
