#include "controller/ControllerTransfer.h"

#include <string>

#include "controller/ControllerProtocol.h"
#include "serial/CPort.h"
#include "voice/Voicebank.h"

namespace {

// The steps of the three modes over one port, with the outcome shown through the view.
class ControllerTransfer {
public:
    ControllerTransfer(TComPort& port, const TransferBanks& banks, TransferView& view)
        : protocol_(port, view), banks_(banks), view_(view) {}

    TransferOutcome Read() {
        if (!ReadIntoScratchBank())
            return TransferOutcome::Failed;
        VoiceBank::CopyImage(banks_.working, banks_.scratch);
        return Show(TransferOutcome::Succeeded, "Голосовые сообщения считаны");
    }

    TransferOutcome Program() {
        view_.OfferReadBack();
        view_.SetActionCaption("Идентификация...");
        if (protocol_.Identify() != 0)
            return TransferOutcome::Failed;
        view_.SetActionCaption("Программирование голосовых сообщений...");
        protocol_.EnterProgrammingMode();
        if (protocol_.WriteImage(banks_.working) != 0)
            return TransferOutcome::Failed;
        if (!view_.ReadBackChosen())
            return Show(TransferOutcome::Succeeded, "Программирование завершено без проверки");
        view_.SetActionCaption("Чтение голосовых сообщений...");
        if (protocol_.ReadImage(banks_.scratch) != 0)
            return TransferOutcome::Failed;
        if (VoiceBank::CompareImages(banks_.working, banks_.scratch))
            return Show(TransferOutcome::Succeeded, "Программирование завершено успешно");
        return Show(TransferOutcome::Different, "Ошибка, найдены несоответствия в данных");
    }

    TransferOutcome Compare() {
        if (!ReadIntoScratchBank())
            return TransferOutcome::Failed;
        if (VoiceBank::CompareImages(banks_.working, banks_.scratch))
            return Show(TransferOutcome::Succeeded, "Сообщеня контроллера аналогичны текущим");
        return Show(TransferOutcome::Different, "Сообщеня контроллера отличаются от текущих");
    }

    TransferOutcome Show(TransferOutcome outcome, const std::string& caption) {
        view_.SetActionColor(outcome == TransferOutcome::Succeeded ? TColor::clBlue : TColor::clRed);
        view_.SetActionCaption(caption);
        return outcome;
    }

private:
    // Identification, programming mode and the whole memory into the scratch bank; false when any of
    // them failed (the reason is already shown).
    bool ReadIntoScratchBank() {
        view_.SetActionCaption("Идентификация...");
        if (protocol_.Identify() != 0)
            return false;
        view_.SetActionCaption("Чтение голосовых сообщений...");
        protocol_.EnterProgrammingMode();
        return protocol_.ReadImage(banks_.scratch) == 0;
    }

    ControllerProtocol protocol_;
    const TransferBanks& banks_;
    TransferView& view_;
};

} // namespace

TransferOutcome RunControllerTransfer(TransferMode mode, TComPort& port, const TransferBanks& banks,
                                      TransferView& view) {
    ControllerTransfer transfer(port, banks, view);
    if (!port.Connected())
        return transfer.Show(TransferOutcome::PortFailed, "Указанный COM порт не найден");
    try {
        switch (mode) {
        case TransferMode::Read:
            return transfer.Read();
        case TransferMode::Program:
            return transfer.Program();
        case TransferMode::Compare:
            return transfer.Compare();
        }
        return TransferOutcome::Failed;
    } catch (const EComPort& error) {
        // A pulled USB adapter, most often: the transfer ends with the port's own words.
        return transfer.Show(TransferOutcome::PortFailed,
                             std::string("Ошибка передачи данных\n") + error.what());
    }
}
