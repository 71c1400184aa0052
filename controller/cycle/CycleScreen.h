#pragma once

#include <string_view>

namespace tarvo {

// The controller screen as the cycle sees it: the two verdict fields, the status bar's message
// pane and the on-screen log. Texts are UTF-8.
class CycleScreen {
  public:
    virtual ~CycleScreen() = default;
    virtual void SetDniField(std::string_view text) = 0;
    virtual void SetNameField(std::string_view text) = 0;
    virtual void ShowStatus(std::string_view text) = 0;
    // The whole log as stored: entries begin with "\n" and end with "\r\n".
    virtual void ShowLog(std::string_view joinedLines) = 0;
    // How the station stands with its database, in a pane of its own beside the status
    // message: working without its server since when, on a copy of which time, records
    // waiting. Empty when all is well.
    virtual void ShowStationState(std::string_view text) = 0;
};

// A plain OK box for database failures. The window's box returns while still open, so that
// the timer keeps ticking; a box that waited for its answer inside this call would let a tick
// enter the cycle again from here, which the handled flag keeps safe.
class MessageBox {
  public:
    virtual ~MessageBox() = default;
    virtual void ShowMessage(std::string_view text) = 0;
};

}  // namespace tarvo
