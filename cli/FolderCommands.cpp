// The commands on the whole bank: a folder of phrases in or out, and one loudness for all phrases.
#include "BankCommands.h"

#include "BankFile.h"
#include "CommandLine.h"
#include "Json.h"
#include "Output.h"
#include "audio/ImportRecording.h"
#include "audio/Loudness.h"
#include "voice/PhraseFolder.h"
#include "voice/SaveErrorText.h"

#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {reinterpret_cast<const char*>(text.data()), text.size()};
}

// Messages go to the summary; a recording in another form is converted, as the window's one question
// for all of them would have it.
class Collected final : public ImportQuestions {
public:
    void Report(const ImportMessage& message) override { last = message.text; }
    std::string last;
};

struct Skipped {
    std::string file;
    std::string reason;
};

int Report(const CommandLine& line, const VoiceBank& bank, int done, const std::vector<Skipped>& skipped) {
    if (!line.json) {
        const char* what = line.command == "export-folder" ? "Сохранено фраз: "
                           : line.command == "level"       ? "Выровнено фраз: "
                                                           : "Загружено фраз: ";
        std::cout << what << done << '\n';
        for (const Skipped& s : skipped)
            std::cout << "  пропущен " << s.file << ": " << s.reason << '\n';
        PrintMemory(bank);
        return skipped.empty() ? kExitDone : kExitFailed;
    }
    JsonWriter json(std::cout);
    json.BeginObject().Key("command").String(line.command).Key("file").String(line.arguments[0]);
    json.Key("done").Integer(done).Key("skipped").BeginArray();
    for (const Skipped& s : skipped)
        json.BeginObject().Key("file").String(s.file).Key("reason").String(s.reason).EndObject();
    json.EndArray();
    WriteMemory(json, bank);
    json.EndObject();
    return skipped.empty() ? kExitDone : kExitFailed;
}

} // namespace

int RunImportFolder(const CommandLine& line) {
    const std::string& file = line.arguments[0];
    auto bank = std::make_unique<VoiceBank>();
    HeldBank held;
    if (const std::string message = held.Load(file, *bank, true); !message.empty())
        return Fail(line, file, message, false);
    const std::filesystem::path folder = PathOf(line.arguments[1]);
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        return Fail(line, line.arguments[1], "папка не найдена", false);
    const FolderPlan plan = PlanFolder(folder);
    std::vector<Skipped> skipped;
    for (const auto& unmatched : plan.unmatched)
        skipped.push_back({Utf8(unmatched.filename()),
                           "имя не начинается с номера события и не совпадает с его названием"});
    for (const auto& duplicate : plan.duplicates)
        skipped.push_back({Utf8(duplicate.filename()), "для этого события уже есть файл"});
    int loaded = 0;
    for (const FolderPlan::Phrase& phrase : plan.phrases) {
        Collected said;
        const ImportOutcome outcome =
            ImportRecording(*bank, phrase.event, phrase.file, {.normalise = !line.noNormalise}, said).outcome;
        if (outcome == ImportOutcome::Loaded)
            ++loaded;
        if (!said.last.empty())
            skipped.push_back({Utf8(phrase.file.filename()), WithReadReason(Utf8(phrase.file), said.last)});
    }
    if (const std::string message = held.Save(*bank); !message.empty())
        return Fail(line, file, message, false);
    return Report(line, *bank, loaded, skipped);
}

int RunExportFolder(const CommandLine& line) {
    const std::string& file = line.arguments[0];
    auto bank = std::make_unique<VoiceBank>();
    if (const std::string message = LoadBank(file, *bank); !message.empty())
        return Fail(line, file, message, false);
    // The folder is made where it is missing, as a save to a new file makes the file.
    std::error_code error;
    std::filesystem::create_directories(PathOf(line.arguments[1]), error);
    const FolderExport exported = ExportFolder(*bank, PathOf(line.arguments[1]));
    std::vector<Skipped> skipped;
    for (const auto& failed : exported.failed)
        skipped.push_back({Utf8(failed), WithReason("не удалось записать файл",
                                                    SaveErrorText(exported.reason), exported.reason)});
    return Report(line, *bank, exported.written, skipped);
}

int RunLevel(const CommandLine& line) {
    const std::string& file = line.arguments[0];
    auto bank = std::make_unique<VoiceBank>();
    HeldBank held;
    if (const std::string message = held.Load(file, *bank, false); !message.empty())
        return Fail(line, file, message, false);
    LevelBank(*bank);
    if (const std::string message = held.Save(*bank); !message.empty())
        return Fail(line, file, message, false);
    int phrases = 0;
    for (std::uint8_t event = 0; event < kEventSlotCount; ++event)
        phrases += bank->Slot(event).count > 0;
    return Report(line, *bank, phrases, {});
}
