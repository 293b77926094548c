// Times the voice memory operations on a full bank: the import of a WAV of the whole capacity,
// PackImage, UnpackImage, and a voice file write (with its fsync) and read.
//   bench-voice [folder for the temporary files]   (default: the system's temporary folder)
#include "voice/VoiceFile.h"
#include "voice/Voicebank.h"
#include "voice/WavImport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 15;

struct SilentReporter : ImportQuestions {
    void Report(const ImportMessage&) override {}
};

void Put32(std::vector<char>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>(v >> (8 * i)));
    }
}

void WriteFullCapacityWav(const std::filesystem::path& path) {
    const std::uint32_t dataBytes = 2 * kCapacitySamples;
    std::vector<char> file = {'R', 'I', 'F', 'F'};
    Put32(file, 36 + dataBytes);
    for (char c : std::string("WAVEfmt ")) {
        file.push_back(c);
    }
    Put32(file, 16);
    Put32(file, 1 | 1 << 16); // PCM, mono
    Put32(file, 8000);
    Put32(file, 16000);
    Put32(file, 2 | 16 << 16); // block align 2, 16 bits
    file.insert(file.end(), {'d', 'a', 't', 'a'});
    Put32(file, dataBytes);
    std::uint32_t seed = 1;
    for (std::uint32_t i = 0; i < kCapacitySamples; ++i) {
        seed = seed * 1664525U + 1013904223U;
        const auto sample = static_cast<std::uint16_t>((i % 100) * 600 - 30000 + (seed >> 24));
        file.push_back(static_cast<char>(sample));
        file.push_back(static_cast<char>(sample >> 8));
    }
    std::ofstream(path, std::ios::binary).write(file.data(), static_cast<std::streamsize>(file.size()));
}

void Measure(const char* name, const std::function<void()>& operation) {
    std::vector<double> ms;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        operation();
        const auto end = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-34s min %7.2f ms   median %7.2f ms   max %7.2f ms\n", name, ms.front(), ms[ms.size() / 2],
                ms.back());
}

} // namespace

int main(int argc, char** argv) {
    const std::filesystem::path folder =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    const std::filesystem::path wav = folder / "bench-voice.wav";
    const std::filesystem::path vce = folder / "bench-voice.vce";
    WriteFullCapacityWav(wav);

    auto bank = std::make_unique<VoiceBank>();
    SilentReporter reporter;
    Measure("import 1,078,696 samples (2.1 MB)", [&] {
        if (ImportWav(*bank, 0, wav, reporter) != ImportOutcome::Loaded ||
            bank->Slot(0).count != kCapacitySamples) {
            std::fprintf(stderr, "import failed\n");
            std::exit(1);
        }
    });
    Measure("PackImage (full bank)", [&] { bank->PackImage(); });
    Measure("UnpackImage (full bank)", [&] { bank->UnpackImage(true); });
    bank->PackImage();
    Measure("WriteVoiceFile (with fsync)", [&] {
        if (WriteVoiceFile(vce, bank->image) != kVoiceFileOk) {
            std::fprintf(stderr, "write failed\n");
            std::exit(1);
        }
    });
    bool fullLayout = false;
    Measure("ReadVoiceFile", [&] {
        if (ReadVoiceFile(vce, bank->image, fullLayout) != kVoiceFileOk) {
            std::fprintf(stderr, "read failed\n");
            std::exit(1);
        }
    });
    std::filesystem::remove(wav);
    std::filesystem::remove(vce);
    return 0;
}
