#pragma once

#include <cstdint>
#include <string>

// Colours as the controller tools have always stored them: 0x00BBGGRR.
enum class TColor : std::uint32_t {
    clWindowText = 0x80000008, // the system's window text colour (a system colour index, not RGB)
    clRed = 0x0000FF,
    clBlue = 0xFF0000,
};

// What a controller transfer needs of whoever follows it: the window's progress dialog and status bar,
// the command line's progress lines, a test's recorder. The window's worker hands every call to the GUI
// thread and waits for it. Texts are UTF-8.
class TransferView {
public:
    virtual ~TransferView() = default;

    virtual void SetActionCaption(const std::string& caption) = 0; // caption of ActionName
    virtual void SetActionColor(TColor color) = 0;                 // font colour of ActionName
    virtual void SetProgressMax(std::int32_t maximum) = 0;         // ProgressBar
    virtual void SetProgressPosition(std::int32_t position) = 0;   // ProgressBar
    virtual bool CancelFlag() const = 0;                           // set by the dialog's button
    virtual void SetStatusPanel2(const std::string& text) = 0;     // firmware version in the status bar

    // Programming only: the read-back check is offered, ticked, before the identification, and decided
    // once the writing has ended; from then on the choice stands.
    virtual void OfferReadBack() {}
    // Programming only: the controller's memory is about to be written (true), or has been written whole
    // (false). In between it holds part of the old bank and part of the new one.
    virtual void MemoryBeingWritten(bool writing) { (void)writing; }
    virtual bool ReadBackChosen() { return true; }
};
