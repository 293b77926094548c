#include "ProgressBoard.h"

#include <cstdio>

namespace {

constexpr auto kRedrawPeriod = std::chrono::milliseconds(100);

std::string MinutesAndSeconds(double seconds) {
    const auto whole = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

// The text up to the given count of characters (UTF-8 code points); a wrapped row would spoil the redraw.
std::string Cut(const std::string& text, int columns) {
    int count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && ++count > columns)
            return text.substr(0, i);
    }
    return text;
}

} // namespace

ProgressBoard::ProgressBoard(std::vector<std::string> ports, std::ostream& out, bool live, int columns)
    : out_(out), live_(live), columns_(columns) {
    for (std::string& port : ports) {
        rows_.emplace_back();
        rows_.back().port = std::move(port);
    }
}

ProgressBoard::~ProgressBoard() {
    std::lock_guard lock(mutex_);
    if (live_ && drawn_)
        Redraw();
}

void ProgressBoard::SetCaption(std::size_t row, const std::string& caption) {
    std::lock_guard lock(mutex_);
    Row& r = rows_.at(row);
    r.caption = caption.substr(0, caption.find('\n'));
    r.maximum = r.position = 0;
    r.tenthsShown = 0;
    Changed(r, true);
}

void ProgressBoard::SetMaximum(std::size_t row, std::int32_t maximum) {
    std::lock_guard lock(mutex_);
    Row& r = rows_.at(row);
    if (r.maximum == 0 || r.position == 0)
        r.started = std::chrono::steady_clock::now();
    r.maximum = maximum;
    Changed(r, false);
}

void ProgressBoard::SetPosition(std::size_t row, std::int32_t position) {
    std::lock_guard lock(mutex_);
    Row& r = rows_.at(row);
    if (position == 0)
        r.started = std::chrono::steady_clock::now();
    r.position = position;
    Changed(r, position >= r.maximum);
}

// "COM1  Программирование голосовых сообщений...  37%  199680/539648 байт  осталось 0:31"
std::string ProgressBoard::Text(const Row& row) const {
    std::string text = row.port + "  " + row.caption;
    if (row.maximum <= 0)
        return text;
    const auto percent = static_cast<long long>(row.position) * 100 / row.maximum;
    text += "  " + std::to_string(percent) + "%  " + std::to_string(row.position) + "/" +
            std::to_string(row.maximum) + " байт";
    if (row.position > 0 && row.position < row.maximum) {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - row.started;
        const double left = elapsed.count() * (row.maximum - row.position) / row.position;
        text += "  осталось " + MinutesAndSeconds(left);
    }
    return text;
}

void ProgressBoard::Changed(Row& row, bool force) {
    if (live_) {
        const auto now = std::chrono::steady_clock::now();
        if (force || now - redrawn_ >= kRedrawPeriod) {
            redrawn_ = now;
            Redraw();
        }
        return;
    }
    if (row.maximum <= 0)
        return;
    const auto tenths = static_cast<int>(static_cast<long long>(row.position) * 10 / row.maximum);
    if (tenths > row.tenthsShown) {
        row.tenthsShown = tenths;
        out_ << Text(row) << std::endl;
    }
}

// Back up over the rows drawn last time and write each anew, clearing what is left of the old text.
void ProgressBoard::Redraw() {
    if (drawn_)
        out_ << "\033[" << rows_.size() << 'F';
    for (const Row& row : rows_)
        out_ << "\r\033[K" << (columns_ > 1 ? Cut(Text(row), columns_ - 1) : Text(row)) << '\n';
    out_.flush();
    drawn_ = true;
}
