#include "RunProgram.h"

#include <algorithm>
#include <thread>
#include <windows.h>

#include "voice/Utf16.h"

namespace {

// Closes the handle it holds.
class Handle {
public:
    Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { Close(); }
    HANDLE Get() const { return handle_; }
    HANDLE* Receive() { return &handle_; }
    void Close() {
        if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_ = nullptr;
};

// One argument as the C runtime of the program started splits its command line again; quoted only when
// it must be (cmd.exe, for one, takes a quoted command name for another).
void AppendQuoted(std::wstring& line, const std::wstring& argument) {
    if (!line.empty())
        line += L' ';
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        line += argument;
        return;
    }
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped; elsewhere they stand as they are.
        line.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(2 * backslashes, L'\\');
    line += L'"';
}

bool MakePipe(Handle& readEnd, Handle& writeEnd, bool childReads) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    if (CreatePipe(readEnd.Receive(), writeEnd.Receive(), &inherit, 0) == 0)
        return false;
    // Only the child's end is inherited.
    return SetHandleInformation(childReads ? writeEnd.Get() : readEnd.Get(), HANDLE_FLAG_INHERIT, 0) != 0;
}

} // namespace

ProgramRun RunProgram(const std::vector<std::string>& arguments, const std::string& input,
                      const RunLimits& limits) {
    ProgramRun run;
    Handle inRead, inWrite, outRead, outWrite, errorSink;
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    *errorSink.Receive() =
        CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    if (arguments.empty() || !MakePipe(inRead, inWrite, true) || !MakePipe(outRead, outWrite, false) ||
        errorSink.Get() == INVALID_HANDLE_VALUE)
        return run;

    std::wstring commandLine;
    for (const std::string& argument : arguments)
        AppendQuoted(commandLine, Utf16(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead.Get();
    startup.hStdOutput = outWrite.Get();
    startup.hStdError = errorSink.Get();
    // A job holds the program and whatever it starts in turn, so that a kill takes them all; the program
    // starts suspended until it is in the job.
    Handle job;
    *job.Receive() = CreateJobObjectW(nullptr, nullptr);
    PROCESS_INFORMATION process{};
    if (job.Get() == nullptr ||
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                       CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, nullptr, &startup, &process) == 0)
        return run;
    run.started = true;
    Handle processHandle, threadHandle;
    *processHandle.Receive() = process.hProcess;
    *threadHandle.Receive() = process.hThread;
    if (AssignProcessToJobObject(job.Get(), processHandle.Get()) == 0)
        TerminateProcess(processHandle.Get(), 1);
    ResumeThread(threadHandle.Get());
    inRead.Close();
    outWrite.Close();
    errorSink.Close();

    // The input is fed and the output taken on threads of their own, so that neither pipe can fill up
    // and stall the other while the time limit is kept here.
    std::thread feeder([&] {
        for (std::size_t written = 0; written < input.size();) {
            DWORD n = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(input.size() - written, 1 << 16));
            if (WriteFile(inWrite.Get(), input.data() + written, chunk, &n, nullptr) == 0)
                break; // it stopped reading
            written += n;
        }
        inWrite.Close();
    });
    std::thread collector([&] {
        char chunk[65536];
        DWORD n = 0;
        while (ReadFile(outRead.Get(), chunk, sizeof chunk, &n, nullptr) != 0 && n > 0) {
            if (n > limits.output - run.output.size()) {
                run.tooMuchOutput = true;
                TerminateJobObject(job.Get(), 1);
                break;
            }
            run.output.append(chunk, n);
        }
    });
    const auto deadline = std::chrono::steady_clock::now() + limits.time;
    bool ended = false;
    while (!ended && !limits.stop.stop_requested() && std::chrono::steady_clock::now() < deadline)
        ended = WaitForSingleObject(processHandle.Get(), 50) == WAIT_OBJECT_0;
    run.stopped = !ended && limits.stop.stop_requested();
    TerminateJobObject(job.Get(), 1); // also what it left running that may hold the output open
    feeder.join();
    collector.join();
    DWORD exitCode = 0;
    if (ended && !run.tooMuchOutput && GetExitCodeProcess(processHandle.Get(), &exitCode) != 0)
        run.exitCode = static_cast<int>(exitCode);
    return run;
}

bool ProgramInstalled(const std::string& name) {
    wchar_t found[MAX_PATH];
    return SearchPathW(nullptr, Utf16(name).c_str(), L".exe", MAX_PATH, found, nullptr) != 0;
}
