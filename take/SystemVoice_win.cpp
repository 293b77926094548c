#include "SystemVoice.h"

#include <cstring>
#include <string>
#include <thread>

// SAPI's header needs the Windows types first.
#include <windows.h>

#include <sapi.h>
#include <wrl/client.h>

#include "voice/Utf16.h"

using Microsoft::WRL::ComPtr;

// One line in the record dialog, below a device's problem.
const MissingVoiceText kMissingVoice{"Нет русского голоса.",
                                     "Добавьте: Параметры → Время и язык → Язык → Русский → Речь."};

namespace {

constexpr DWORD kTimeLimitMs = 30000;
// The controller's rate: SAPI converts the voice's own to it.
constexpr int kRate = 8000;
// SAPI's format id of a stream described by a WAVEFORMATEX; no mingw-w64 library defines it.
constexpr GUID kWaveFormatEx{0xc31adbae, 0x527f, 0x4ff5, {0xa2, 0x30, 0xf6, 0x2b, 0xb6, 0x1f, 0xf7, 0x0c}};
// Windows 10 and 11 register the voices of added languages in the OneCore category; SAPI's own holds
// the older desktop voices.
const wchar_t* const kVoiceCategories[] = {
    SPCAT_VOICES, L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech_OneCore\\Voices"};

// COM in an apartment of its own: the caller's thread may already be in another (the GUI's is).
template <class Work>
auto OnComThread(Work work) -> decltype(work()) {
    decltype(work()) result{};
    std::thread([&] {
        if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
            return;
        result = work();
        CoUninitialize();
    }).join();
    return result;
}

// Whether the voice's token names Russian (419) among its languages, hexadecimal codes separated by
// semicolons. Checked here as well: not every SAPI keeps to the attributes asked for (Wine's offers its
// voice of no language).
bool SpeaksRussian(ISpObjectToken& voice) {
    ComPtr<ISpDataKey> attributes;
    wchar_t* languages = nullptr;
    if (FAILED(voice.OpenKey(L"Attributes", attributes.GetAddressOf())) ||
        FAILED(attributes->GetStringValue(L"Language", &languages)))
        return false;
    const std::wstring list = L";" + std::wstring(languages) + L";";
    CoTaskMemFree(languages);
    return list.find(L";419;") != std::wstring::npos;
}

ComPtr<ISpObjectToken> RussianVoice() {
    for (const wchar_t* category : kVoiceCategories) {
        ComPtr<ISpObjectTokenCategory> voices;
        ComPtr<IEnumSpObjectTokens> russian;
        if (FAILED(CoCreateInstance(CLSID_SpObjectTokenCategory, nullptr, CLSCTX_ALL,
                                    IID_PPV_ARGS(voices.GetAddressOf()))) ||
            FAILED(voices->SetId(category, FALSE)) ||
            FAILED(voices->EnumTokens(L"Language=419", nullptr, russian.GetAddressOf())))
            continue;
        ComPtr<ISpObjectToken> voice;
        while (russian->Next(1, voice.ReleaseAndGetAddressOf(), nullptr) == S_OK)
            if (SpeaksRussian(*voice.Get()))
                return voice;
    }
    return nullptr;
}

// SAPI writes the bare samples into the memory stream; the stream's size says how many.
std::optional<SpokenText> Samples(IStream& memory) {
    STATSTG status{};
    HGLOBAL block = nullptr;
    if (FAILED(memory.Stat(&status, STATFLAG_NONAME)) || FAILED(GetHGlobalFromStream(&memory, &block)))
        return std::nullopt;
    SpokenText spoken{std::vector<std::int16_t>(std::size_t(status.cbSize.QuadPart / 2)), kRate};
    const void* bytes = GlobalLock(block);
    if (bytes == nullptr)
        return std::nullopt;
    std::memcpy(spoken.samples.data(), bytes, spoken.samples.size() * 2);
    GlobalUnlock(block);
    return spoken;
}

std::optional<SpokenText> SpeakHere(const std::wstring& text) {
    const ComPtr<ISpObjectToken> russian = RussianVoice();
    ComPtr<ISpVoice> voice;
    ComPtr<IStream> memory;
    ComPtr<ISpStream> stream;
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, kRate, kRate * 2, 2, 16, 0};
    // Plain text: a "<" in it is spoken, never taken for markup.
    if (!russian ||
        FAILED(CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_PPV_ARGS(voice.GetAddressOf()))) ||
        FAILED(voice->SetVoice(russian.Get())) ||
        FAILED(CreateStreamOnHGlobal(nullptr, TRUE, memory.GetAddressOf())) ||
        FAILED(CoCreateInstance(CLSID_SpStream, nullptr, CLSCTX_ALL, IID_PPV_ARGS(stream.GetAddressOf()))) ||
        FAILED(stream->SetBaseStream(memory.Get(), kWaveFormatEx, &format)) ||
        FAILED(voice->SetOutput(stream.Get(), TRUE)) ||
        FAILED(voice->Speak(text.c_str(), SPF_ASYNC | SPF_IS_NOT_XML, nullptr)))
        return std::nullopt;
    if (voice->WaitUntilDone(kTimeLimitMs) != S_OK) {
        voice->Speak(nullptr, SPF_PURGEBEFORESPEAK, nullptr); // stops it
        return std::nullopt;
    }
    return Samples(*memory.Get());
}

} // namespace

bool SystemVoiceInstalled() {
    return OnComThread([] { return RussianVoice() != nullptr; });
}

std::optional<SpokenText> SpeakWithSystemVoice(const std::string& textUtf8) {
    const std::wstring text = Utf16(textUtf8);
    return OnComThread([&text] { return SpeakHere(text); });
}
