// A modeless progress dialog with a cancel button, for long work on the user-interface thread.
// Destroying the object closes the dialog.
#pragma once

#include <string>

namespace vorla {

class WorkProgress {
public:
    virtual ~WorkProgress() = default;
    virtual void SetTitle(const std::string& title) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void SetRange(int minimum, int maximum) = 0;
    virtual void SetPosition(int position) = 0;
    // Shows the dialog (centred) and clears the cancel flag.
    virtual void Show() = 0;
    virtual bool IsShown() const = 0;
    // The cancel button or Escape was used since the dialog was last shown.
    virtual bool Cancelled() const = 0;
};

}  // namespace vorla
