#include "controller/ControllerTransfer.h"

#include <algorithm>
#include <string>

#include "controller/ControllerProtocol.h"
#include "serial/CPort.h"
#include "voice/EventNames.h"
#include "voice/StoredPhrase.h"

namespace {

constexpr std::size_t kNamedEvents = 3; // more would not fit the dialog's label

// The steps of the three modes over one port, with the outcome shown through the view.
class ControllerTransfer {
public:
    ControllerTransfer(TComPort& port, const TransferImages& images, TransferView& view,
                       TransferOptions options)
        : port_(port), protocol_(port, view), images_(images), view_(view), options_(options) {}

    TransferResult Read() {
        if (!ReadIntoScratch())
            return {};
        images_.working = images_.scratch;
        return Show(TransferOutcome::Succeeded, "Голосовые сообщения считаны");
    }

    TransferResult Program() {
        view_.OfferReadBack();
        if (Identify() != 0)
            return {};
        view_.SetActionCaption("Программирование голосовых сообщений...");
        view_.MemoryBeingWritten(true);
        protocol_.EnterProgrammingMode();
        const std::size_t end = options_.usedOnly ? UsedImageEnd(images_.working) : kImageSize;
        if (protocol_.WriteImage(images_.working, end) != 0)
            return {};
        view_.MemoryBeingWritten(false);
        if (!view_.ReadBackChosen())
            return Show(TransferOutcome::Succeeded, "Программирование завершено без проверки");
        view_.SetActionCaption("Чтение голосовых сообщений...");
        if (protocol_.ReadImage(images_.scratch, end) != 0)
            return {};
        return Verdict("Программирование завершено успешно", "Ошибка, найдены несоответствия в данных");
    }

    TransferResult Compare() {
        if (Identify() != 0)
            return {};
        view_.SetActionCaption("Чтение голосовых сообщений...");
        protocol_.EnterProgrammingMode();
        const std::int32_t read =
            options_.usedOnly
                ? protocol_.ReadImage(images_.scratch, UsedImageEnd(images_.working), &images_.working)
                : protocol_.ReadImage(images_.scratch);
        if (read == 1)
            return {};
        return Verdict("Сообщения контроллера аналогичны текущим",
                       "Сообщения контроллера отличаются от текущих");
    }

    TransferResult Show(TransferOutcome outcome, const std::string& caption) {
        view_.SetActionColor(outcome == TransferOutcome::Succeeded ? TColor::clBlue : TColor::clRed);
        view_.SetActionCaption(caption);
        return {outcome, {}};
    }

private:
    // The first exchange of a transfer tells whether the line still leads to a device: one that went
    // away since the port was opened (an adapter re-plugged unnoticed) is opened again, once and quietly.
    std::int32_t Identify() {
        view_.SetActionCaption("Идентификация...");
        try {
            return protocol_.Identify();
        } catch (const EComPort& error) {
            if (!ComDeviceGone(error.OsErrorCode()))
                throw;
        }
        port_.Close();
        port_.Open();
        return protocol_.Identify();
    }

    // Identification, programming mode and the memory into the scratch image; false when any of them
    // failed (the reason is already shown).
    bool ReadIntoScratch() {
        if (Identify() != 0)
            return false;
        view_.SetActionCaption("Чтение голосовых сообщений...");
        protocol_.EnterProgrammingMode();
        const std::int32_t read = options_.usedOnly ? protocol_.ReadUsedImage(images_.scratch)
                                                    : protocol_.ReadImage(images_.scratch);
        return read == 0;
    }

    // The working image against what was read of the controller's, as far as it was read; of the used
    // memory only, up to the end of the phrases.
    TransferResult Verdict(const std::string& same, const std::string& different) {
        const std::size_t end = options_.usedOnly ? UsedImageEnd(images_.working) : kImageSize;
        const auto known = static_cast<std::ptrdiff_t>(std::min(protocol_.Completed(), end));
        if (std::equal(images_.working.begin(), images_.working.begin() + known, images_.scratch.begin()))
            return Show(TransferOutcome::Succeeded, same);
        TransferResult result{TransferOutcome::Different,
                              DifferingEvents(images_.working, images_.scratch, protocol_.Completed())};
        const std::string line = DifferingEventsLine(result.differingEvents);
        Show(result.outcome, line.empty() ? different : different + "\n" + line);
        return result;
    }

    TComPort& port_;
    ControllerProtocol protocol_;
    const TransferImages& images_;
    TransferView& view_;
    TransferOptions options_;
};

} // namespace

TransferResult RunControllerTransfer(TransferMode mode, TComPort& port, const TransferImages& images,
                                     TransferView& view, TransferOptions options) {
    ControllerTransfer transfer(port, images, view, options);
    // A port that was busy or missing when it was chosen may be there by now, and an adapter may have
    // been plugged back in since the line failed: open it first.
    if (!port.Connected() || port.LineFailed()) {
        try {
            port.Open();
        } catch (const EComPort& error) {
            return transfer.Show(TransferOutcome::PortFailed, ComDeviceMissing(error.OsErrorCode())
                                                                  ? "Указанный COM порт не найден"
                                                                  : error.what());
        }
    }
    try {
        switch (mode) {
        case TransferMode::Read:
            return transfer.Read();
        case TransferMode::Program:
            return transfer.Program();
        case TransferMode::Compare:
            return transfer.Compare();
        }
        return {};
    } catch (const EComPort& error) {
        // A pulled USB adapter, most often: the transfer ends with the port's own words.
        return transfer.Show(TransferOutcome::PortFailed,
                             std::string("Ошибка передачи данных\n") + error.what());
    }
}

std::string DifferingEventsLine(const std::vector<std::uint8_t>& events) {
    if (events.empty())
        return {};
    std::string line = "Отличаются: ";
    for (std::size_t i = 0; i < std::min(events.size(), kNamedEvents); ++i)
        line += (i > 0 ? "; " : "") + std::string(kEventNames.at(events[i]));
    if (events.size() > kNamedEvents)
        line += " и ещё " + std::to_string(events.size() - kNamedEvents);
    return line;
}
