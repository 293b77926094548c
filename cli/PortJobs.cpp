#include "PortJobs.h"

#include <chrono>
#include <thread>

#include "Interrupt.h"
#include "Output.h"
#include "ProgressBoard.h"
#include "controller/ControllerLine.h"
#include "controller/TransferView.h"
#include "serial/CPort.h"

namespace {

// One port's transfer as the progress board and the summary see it.
class PortView : public TransferView {
public:
    PortView(ProgressBoard& board, std::size_t row, bool readBack)
        : board_(board), row_(row), readBack_(readBack) {}

    void SetActionCaption(const std::string& text) override {
        caption = text;
        board_.SetCaption(row_, text);
    }
    void SetActionColor(TColor) override {}
    void SetProgressMax(std::int32_t maximum) override { board_.SetMaximum(row_, maximum); }
    void SetProgressPosition(std::int32_t position) override { board_.SetPosition(row_, position); }
    bool CancelFlag() const override { return Interrupted(); }
    void SetStatusPanel2(const std::string& text) override { firmware = text == " " ? std::string() : text; }
    bool ReadBackChosen() override { return readBack_; }

    std::string caption;
    std::string firmware;

private:
    ProgressBoard& board_;
    const std::size_t row_;
    const bool readBack_;
};

void RunOnPort(PortReport& report, std::size_t row, const PortWork& work, bool readBack,
               ProgressBoard& board) {
    const auto start = std::chrono::steady_clock::now();
    PortView view(board, row, readBack);
    try {
        TComPort port;
        SetUpControllerLine(port);
        port.SetPort(report.port);
        if (!Interrupted())
            port.Open();
        TransferResult result = port.Connected() ? work(port, view) : TransferResult{};
        report.outcome = result.outcome;
        report.differingEvents = std::move(result.differingEvents);
        report.message = view.caption;
    } catch (const EComPort& error) {
        report.outcome = TransferOutcome::PortFailed;
        report.message = PortErrorText(error.what());
        view.SetActionCaption(report.message);
    }
    report.firmware = view.firmware;
    report.cancelled = Interrupted() && report.outcome != TransferOutcome::Succeeded;
    if (report.cancelled && report.message.empty())
        report.message = "Передача данных прервана пользователем";
    report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

std::vector<PortReport> RunOnPorts(const std::vector<std::string>& ports, const PortWork& work, bool readBack,
                                   ProgressBoard& board) {
    std::vector<PortReport> reports(ports.size());
    std::vector<std::thread> threads;
    const auto joinAll = [&] {
        for (std::thread& thread : threads)
            thread.join();
    };
    try {
        for (std::size_t row = 0; row < ports.size(); ++row) {
            reports[row].port = ports[row];
            threads.emplace_back([&, row] { RunOnPort(reports[row], row, work, readBack, board); });
        }
    } catch (...) { // no thread for another port: the ports started finish, then the error is told
        joinAll();
        throw;
    }
    joinAll();
    return reports;
}
