// The logs of camera positions noted during a replay, one for the roll-bar (roof) camera and one for
// the pit camera, as the lines of text the saved-positions window shows and the user copies from.
// They live only while the program runs; nothing is written to a file.
#pragma once

#include "model/Carcameravalues.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace skv::directcontrol {

// A saved value: general format with up to 15 significant digits and "." as the separator, whatever
// the locale ("1.5", "0.100000001490116" for the single-precision 0.1, "1.00000002004088E20").
std::string formatPositionValue(double value);

// The lines of one saved position: "[Position<number>]", "Name=<name>" only when there is a name,
// "X=", "Y=", "Z=", "Yaw=", "Pitch=", "Bank=", "Zoom=" with the raw values (game units and radians),
// and an empty line. The two carried values are left out.
std::vector<std::string> positionBlock(std::uint32_t number, const std::string& name,
                                       const model::CarCameraValues& values);

// One camera's log: its lines and the number the next block gets (0 at first; it only grows).
class TPositionLog {
public:
    // Appends a block with the current number and advances the number; returns the block's lines.
    std::vector<std::string> add(const std::string& name, const model::CarCameraValues& values);

    std::uint32_t counter() const { return counter_; }
    const std::vector<std::string>& lines() const { return lines_; }
    // The lines, each ended by "\n".
    std::string text() const;

private:
    std::uint32_t counter_ = 0;
    std::vector<std::string> lines_;
};

class TSavedPositions {
public:
    enum class Camera : std::uint8_t { PitCam, RollBar };
    // Told of every block appended, so a window showing the logs can add it.
    using AppendedCallback = std::function<void(Camera camera, const std::vector<std::string>& block)>;

    void addRollBarPosition(const std::string& name, const model::CarCameraValues& values);
    void addPitCamPosition(const std::string& name, const model::CarCameraValues& values);

    const TPositionLog& rollBar() const { return rollBar_; }
    const TPositionLog& pitCam() const { return pitCam_; }

    void setAppendedCallback(AppendedCallback callback) { appended_ = std::move(callback); }

private:
    void add(Camera camera, TPositionLog& log, const std::string& name, const model::CarCameraValues& values);

    TPositionLog rollBar_, pitCam_;
    AppendedCallback appended_;
};

} // namespace skv::directcontrol
