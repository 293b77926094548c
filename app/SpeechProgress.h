#pragma once

#include <atomic>
#include <functional>
#include <stop_token>

class QWidget;

// Speech runs on a thread of its own while a progress dialog ("SpeechProgress") says "Озвучено N из M"
// and its Cancel stops it at once; the window stays responsive. Returns when the work has ended. The
// work is given the stop and a count of the texts done.
void RunSpeech(QWidget* parent, int count,
               const std::function<void(std::stop_token, std::atomic<int>&)>& work);

// Stops the speech that runs, if any (the program is ending).
void StopRunningSpeech();
bool SpeechRunning();
