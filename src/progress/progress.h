// The progress interface: a position within a maximum, and notice that the whole range has run.
#pragma once

namespace progress {

class Progress {
public:
    virtual ~Progress() = default;
    virtual unsigned getPosition() const = 0;
    virtual unsigned getMaximum() const = 0;
    /// The position plus one.
    virtual void increment() { setPosition(getPosition() + 1); }
    virtual void setPosition(unsigned position) = 0;
    /// The whole range has been run through.
    virtual void finish() = 0;
};

/// The base of every progress that receives updates.
class ProgressUpdater : public Progress {};

}  // namespace progress
