#include "PortCommands.h"

#include <chrono>
#include <cmath>
#include <iostream>
#include <memory>

#include "BankFile.h"
#include "CommandLine.h"
#include "Interrupt.h"
#include "Json.h"
#include "Output.h"
#include "PortJobs.h"
#include "ProgressBoard.h"
#include "Terminal.h"
#include "controller/ControllerProtocol.h"
#include "serial/CPort.h"
#include "serial/ComPortDevice.h"
#include "voice/Voicebank.h"

namespace {

const char* OutcomeName(const PortReport& report) {
    if (report.cancelled)
        return "cancelled";
    switch (report.outcome) {
    case TransferOutcome::Succeeded:
        return "succeeded";
    case TransferOutcome::Different:
        return "different";
    default:
        return "failed";
    }
}

// 0 when every port succeeded; 3 when a compare found a difference and nothing failed; 1 otherwise.
int ExitCodeOf(const CommandLine& line, const std::vector<PortReport>& reports) {
    int code = kExitDone;
    for (const PortReport& report : reports) {
        if (report.cancelled || report.outcome == TransferOutcome::Failed ||
            report.outcome == TransferOutcome::PortFailed ||
            (report.outcome == TransferOutcome::Different && line.command != "compare"))
            return kExitFailed;
        if (report.outcome == TransferOutcome::Different)
            code = kExitDifferent;
    }
    return code;
}

double Rounded(double seconds) {
    return std::round(seconds * 1000) / 1000;
}

std::string SecondsTaken(double seconds) {
    std::string text = std::to_string(std::lround(seconds * 10) / 10.0);
    text.erase(text.find('.') + 2);
    text[text.find('.')] = ',';
    return text;
}

// "COM1: Программирование завершено успешно (51,3 с)", then the differing events one a line.
void PrintSummary(const std::vector<PortReport>& reports) {
    for (const PortReport& report : reports) {
        std::string message = report.message.substr(0, report.message.find('\n'));
        if (message == "Идентификация..." && !report.firmware.empty())
            message = report.firmware;
        std::cout << report.port << ": " << message << " (" << SecondsTaken(report.seconds) << " с)\n";
        if (report.outcome != TransferOutcome::Succeeded && report.message.find('\n') != std::string::npos &&
            report.differingEvents.empty())
            std::cout << "  " << report.message.substr(report.message.find('\n') + 1) << '\n';
        if (!report.differingEvents.empty()) {
            std::cout << "  Отличаются события:\n";
            PrintEvents(report.differingEvents, "    ");
        }
    }
}

void WriteReports(JsonWriter& json, const std::vector<PortReport>& reports) {
    json.Key("ports").BeginArray();
    for (const PortReport& report : reports) {
        json.BeginObject().Key("port").String(report.port).Key("outcome").String(OutcomeName(report));
        json.Key("message").String(report.message).Key("firmware");
        if (report.firmware.empty())
            json.Null();
        else
            json.String(report.firmware);
        json.Key("seconds").Number(Rounded(report.seconds)).Key("differingEvents");
        WriteEvents(json, report.differingEvents);
        json.EndObject();
    }
    json.EndArray();
}

// Runs the work on the command's ports with progress on stderr, prints the summary or the JSON
// document, and returns the exit code.
int RunOnCommandPorts(const CommandLine& line, const PortWork& work,
                      const std::function<void(JsonWriter&)>& writeDetails = {}) {
    const auto start = std::chrono::steady_clock::now();
    CatchInterrupt();
    std::vector<PortReport> reports;
    {
        const bool live = IsTerminal(stderr);
        ProgressBoard board(line.ports, std::cerr, live, live ? TerminalColumns(stderr) : 0);
        reports = RunOnPorts(line.ports, work, !line.noVerify, board);
    }
    const int code = Interrupted() ? kExitFailed : ExitCodeOf(line, reports);
    if (!line.json) {
        PrintSummary(reports);
        return code;
    }
    JsonWriter json(std::cout);
    json.BeginObject().Key("command").String(line.command);
    if (writeDetails)
        writeDetails(json);
    WriteReports(json, reports);
    json.Key("seconds").Number(
        Rounded(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()));
    json.Key("exitCode").Integer(code).EndObject();
    return code;
}

TransferMode ModeOf(const std::string& command) {
    if (command == "program")
        return TransferMode::Program;
    return command == "read" ? TransferMode::Read : TransferMode::Compare;
}

} // namespace

int RunPorts(const CommandLine& line) {
    std::vector<ComPortInfo> ports;
    try {
        EnumComPortInfo(ports);
    } catch (const EComPort& error) {
        PrintError(PortErrorText(error.what()));
        if (line.json) {
            JsonWriter json(std::cout);
            WriteFailure(json, "ports", PortErrorText(error.what()));
        }
        return kExitFailed;
    }
    if (!line.json) {
        if (ports.empty())
            std::cerr << "Последовательные порты не найдены" << std::endl;
        for (const ComPortInfo& port : ports)
            std::cout << port.name << '\t' << ComPortDevice(port.name) << '\t' << port.description << '\n';
        return kExitDone;
    }
    JsonWriter json(std::cout);
    json.BeginObject().Key("command").String("ports").Key("ports").BeginArray();
    for (const ComPortInfo& port : ports) {
        json.BeginObject().Key("name").String(port.name).Key("device").String(ComPortDevice(port.name));
        json.Key("description").String(port.description).Key("usb").Bool(port.usb).EndObject();
    }
    json.EndArray().EndObject();
    return kExitDone;
}

int RunIdentify(const CommandLine& line) {
    return RunOnCommandPorts(line, [](TComPort& port, TransferView& view) {
        view.SetActionCaption("Идентификация...");
        const bool found = ControllerProtocol(port, view).Identify() == 0;
        return TransferResult{found ? TransferOutcome::Succeeded : TransferOutcome::Failed, {}};
    });
}

// The bank goes to the controller as the window sends it: read, unpacked and packed again. A read
// goes into an empty bank, which is written to the file only when the read succeeded.
int RunTransfer(const CommandLine& line) {
    const std::string& file = line.arguments[0];
    const TransferMode mode = ModeOf(line.command);
    auto bank = std::make_unique<VoiceBank>();
    if (mode != TransferMode::Read) {
        if (const std::string message = LoadBank(file, *bank); !message.empty())
            return Fail(line, line.arguments[0], message);
        bank->PackImage();
    }
    const TransferOptions options{line.usedOnly};
    const PortWork work = [&](TComPort& port, TransferView& view) {
        auto scratch = std::make_unique<VoiceImage>();
        if (mode != TransferMode::Read) // the ports only read the bank's image
            return RunControllerTransfer(mode, port, {bank->image, *scratch}, view, options);
        TransferResult result = RunControllerTransfer(mode, port, {bank->image, *scratch}, view, options);
        if (result.outcome != TransferOutcome::Succeeded)
            return result;
        bank->UnpackImage(true);
        if (const std::string message = HeldBank().Replace(file, *bank); !message.empty()) {
            view.SetActionCaption(file + ": " + message);
            result.outcome = TransferOutcome::Failed;
        }
        return result;
    };
    const auto details = [&](JsonWriter& json) {
        json.Key("file").String(file).Key("usedOnly").Bool(line.usedOnly);
        if (mode == TransferMode::Program)
            json.Key("verify").Bool(!line.noVerify);
    };
    return RunOnCommandPorts(line, work, details);
}
