#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

// The progress of the transfers, one row per port, written from the ports' threads. Live: the rows are
// redrawn in place at most ten times a second (percent, bytes, time left). Otherwise each row prints a
// line whenever its stage passes another tenth.
class ProgressBoard {
public:
    // columns: the live rows are cut to this many characters so that none wraps (0: not cut).
    ProgressBoard(std::vector<std::string> ports, std::ostream& out, bool live, int columns = 0);
    ~ProgressBoard(); // the rows' last state stays on the screen

    void SetCaption(std::size_t row, const std::string& caption); // a new stage, or the outcome
    void SetMaximum(std::size_t row, std::int32_t maximum);
    void SetPosition(std::size_t row, std::int32_t position);

private:
    struct Row {
        std::string port;
        std::string caption;
        std::int32_t maximum = 0; // 0 until the stage has bytes to move
        std::int32_t position = 0;
        int tenthsShown = 0;
        std::chrono::steady_clock::time_point started{};
    };

    std::string Text(const Row& row) const;
    void Changed(Row& row, bool force);
    void Redraw();

    std::mutex mutex_;
    std::vector<Row> rows_;
    std::ostream& out_;
    const bool live_;
    const int columns_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point redrawn_{};
};
