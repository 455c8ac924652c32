#pragma once

#include <string>

namespace tarvolen {

// The progress window as long operations see it. Every call must be cheap enough to
// be made once per 256 KiB chunk. SetPosition and CancelRequested are where the GUI
// keeps itself responsive, so they may run any pending window event.
class ProgressPort {
  public:
    virtual ~ProgressPort() = default;

    // Bounds of 0 to 0 mean the amount of work is unknown: the window shows that work
    // goes on instead of a share of it.
    virtual void SetBounds(int lower, int upper) = 0;
    // Moves the bar; returns the previous position.
    virtual int SetPosition(int position) = 0;
    // True once for each Cancel the person asked for.
    virtual bool CancelRequested() = 0;
    virtual void SetFileLine(const std::string& text) = 0;
    virtual void SetDetailLine(const std::string& text) = 0;
    // Takes the window away and gives the owner back its input.
    virtual void Close() = 0;
};

}  // namespace tarvolen
