#include "Screenshot.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

void WaitFor(const std::function<bool()>& condition) {
    QDeadlineTimer deadline(5000);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QDeadlineTimer settle(500); // the window manager's frame and the list's first paint
    while (!settle.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

bool SaveShown(const QWidget& window, const std::vector<const QWidget*>& shown, const QString& picture) {
    QRect area;
    for (const QWidget* widget : shown)
        area = area.united(widget->frameGeometry());
    const QPixmap screen = window.screen()->grabWindow(0);
    return screen.copy(area.adjusted(-8, -8, 8, 8).intersected(screen.rect())).save(picture, "PNG");
}

QMessageBox::StandardButton SceneDialogs::Message(QWidget* parent, QMessageBox::Icon icon,
                                                  const QString& caption, const QString& text,
                                                  QMessageBox::StandardButtons buttons) {
    if (caption != caption_ || photographed)
        return QMessageBox::Ok;
    return ShowAndPhotograph([&] { return real_.Message(parent, icon, caption, text, buttons); });
}

QMessageBox::StandardButton SceneDialogs::QuestionWithOption(QWidget* parent, const QString& caption,
                                                             const QString& text, const QString& option,
                                                             bool& checked) {
    if (caption != caption_ || photographed)
        return questionAnswer;
    return ShowAndPhotograph(
        [&] { return real_.QuestionWithOption(parent, caption, text, option, checked); });
}

void SceneDialogs::Photograph(const QWidget& window, const QString& caption, const QString& picture,
                              QMessageBox::StandardButton closeWith) {
    window_ = &window;
    caption_ = caption;
    picture_ = picture;
    closeWith_ = closeWith;
    photographed = false;
}

// The picture is taken from inside the box's own modal loop, which the timer's call runs in.
QMessageBox::StandardButton
SceneDialogs::ShowAndPhotograph(const std::function<QMessageBox::StandardButton()>& show) {
    QTimer::singleShot(0, [this] {
        QWidget* box = nullptr;
        WaitFor([&] {
            box = QApplication::activeModalWidget();
            return box && box->frameGeometry() != box->geometry();
        });
        if (auto* message = qobject_cast<QMessageBox*>(box)) {
            photographed = SaveShown(*window_, {window_, message}, picture_);
            message->done(closeWith_);
        }
    });
    return show();
}

std::vector<std::int16_t> SpeechLikePhrase(int rate, int syllables) {
    std::minstd_rand random(7);
    std::uniform_real_distribution<float> unit(0, 1);
    std::vector<std::int16_t> phrase;
    const auto quiet = [&](double seconds) {
        for (int i = 0; i < int(seconds * rate); ++i)
            phrase.push_back(std::int16_t(60 * (unit(random) - 0.5F)));
    };
    quiet(0.5);
    double phase = 0;
    for (int s = 0; s < syllables; ++s) {
        const int length = int(rate * (0.14 + 0.12 * unit(random)));
        const double formant1 = 500 + 300 * unit(random);
        const double formant2 = 1100 + 900 * unit(random);
        const double loudness = 0.5 + 0.5 * unit(random);
        for (int i = 0; i < length; ++i) {
            const double t = double(i) / length;
            const double pitch = 150 - 40 * (s + t) / syllables; // falls over the phrase
            phase += 2 * std::numbers::pi * pitch / rate;
            double voiced = 0;
            for (int h = 1; pitch * h < std::min(3400.0, rate / 2.0); ++h) {
                const double f = pitch * h;
                const double weight = std::exp(-std::pow((f - formant1) / 250, 2)) +
                                      0.5 * std::exp(-std::pow((f - formant2) / 350, 2)) + 0.05;
                voiced += weight * std::sin(h * phase);
            }
            const double envelope = std::pow(std::sin(std::numbers::pi * t), 1.5) * loudness;
            phrase.push_back(
                std::int16_t(std::clamp(std::lround(2600 * envelope * voiced), -30000L, 30000L)));
        }
        quiet(0.02 + 0.06 * unit(random));
    }
    quiet(0.6);
    return phrase;
}
