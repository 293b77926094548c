#pragma once

#include "voice/Voicebank.h"

#include <QStringList>
#include <QWidget>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

class QTableWidget;

// The whole bank at once: a row for each event with its phrase's duration and loudness, and the
// phrase's actions. The window does nothing to the bank itself; it asks the main window, which owns
// the bank and its history, through its signals, and is shown the bank after every change.
class TFormBank : public QWidget {
    Q_OBJECT

public:
    enum Column { Number, Name, Duration, Level, Actions, ColumnCount };

    explicit TFormBank(QWidget* parent = nullptr);
    ~TFormBank() override;

    // After every change of the bank or of the selected event; `playing` is the event being heard.
    void ShowBank(const VoiceBank& bank, int selected, std::optional<int> playing);
    int SelectedEvent() const;

    QTableWidget* TableEvents;

signals:
    void EventSelected(int event);
    void ListenClicked(int event); // starts, or stops what plays
    void OpenClicked(int event);
    void RecordClicked(int event);
    void DeleteClicked(int event);
    void FilesDropped(int event, const QStringList& files);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateRow(int event);
    void ShowPhrase(const VoiceBank& bank, int event, bool playing);

    // A phrase's loudness is measured again only when its codes change.
    struct Measured {
        std::size_t codes = 0; // a hash of the codes
        QString text;
    };
    std::array<std::optional<Measured>, kEventSlotCount> levels_{};
};
